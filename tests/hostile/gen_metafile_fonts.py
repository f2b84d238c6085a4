#!/usr/bin/env python3
"""Metafiles that ask for many fonts: 60,000 font records, each selected and used for a
short run of text, with distinct face names that match no installed font, with one face in
many sizes and weights, and with a few more faces than the player keeps resolved, taken in
turn. Font matching is paid for from the playback budget, so each must load and draw within
it (exit 0, picture written).

Usage: gen_metafile_fonts.py OUTDIR (prints the runner's lines, see replay.py)
"""

import struct
import sys

import files
from gen_metafile_records import (EMR_EXTCREATEFONTINDIRECTW, EMR_EXTTEXTOUTW, emf, emf_record,
                                  select, wmf, wmf_record)

RECORDS = 60000
META_DELETEOBJECT = 0x01F0
META_SELECTOBJECT = 0x012D
META_CREATEFONTINDIRECT = 0x02FB
META_TEXTOUT = 0x0521


def emf_font(face, height=-16, weight=400, italic=0):
    name = face.encode("utf-16-le")[:62]
    logfont = struct.pack("<iiiiiBBBBBBBB", height, 0, 0, 0, weight, italic, 0, 0, 0, 0, 0, 0, 0)
    logfont += name + b"\0" * (64 - len(name))
    return emf_record(EMR_EXTCREATEFONTINDIRECTW, struct.pack("<I", 1) + logfont)


def emf_text(x, y, text):
    chars = len(text)
    string_at = 76
    body = struct.pack("<4iIff", 0, 0, 2048, 2048, 1, 1.0, 1.0)
    body += struct.pack("<iiIII4iI", x, y, chars, string_at, 0, 0, 0, 0, 0, 0)
    return emf_record(EMR_EXTTEXTOUTW, body + text.encode("utf-16-le"))


def emf_runs(fonts):
    """Each font made in slot 1, selected and used for two letters."""
    records = []
    for i, font in enumerate(fonts):
        records += [font, select(1), emf_text(i * 37 % 2000, i * 53 % 2000, "Ab")]
    return emf(records)


def wmf_runs(faces):
    """Each font made in the lowest free slot (0), selected, used and deleted."""
    records = []
    for i, face in enumerate(faces):
        name = face.encode("latin-1")[:31]
        logfont = struct.pack("<5h8B", -16, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0)
        records += [wmf_record(META_CREATEFONTINDIRECT, logfont + name + b"\0" * (32 - len(name))),
                    wmf_record(META_SELECTOBJECT, struct.pack("<H", 0)),
                    wmf_record(META_TEXTOUT, struct.pack("<H", 2) + b"Ab" +
                               struct.pack("<hh", i * 53 % 2000, i * 37 % 2000)),
                    wmf_record(META_DELETEOBJECT, struct.pack("<H", 0))]
    return wmf(2048, records)


def unknown(i):
    return "Vzq Unmatched Face %05d" % i


def inputs():
    yield "distinct_faces.emf", emf_runs(emf_font(unknown(i)) for i in range(RECORDS))
    yield "distinct_faces.wmf", wmf_runs(unknown(i) for i in range(RECORDS))
    # A few more names than are kept resolved, in turn: every run finds its name gone.
    yield "faces_in_turn.emf", emf_runs(emf_font(unknown(i % 97)) for i in range(RECORDS))
    yield "one_face_many_sizes.emf", emf_runs(
        emf_font("Liberation Sans", -(1 + i % 300), 100 + i % 9 * 100, i // 300 % 2)
        for i in range(RECORDS))
    # The control: one face, one size, as cheap as the records themselves.
    yield "one_face.emf", emf_runs(emf_font(unknown(0)) for _ in range(RECORDS))


def main(outdir):
    corpus = files.Corpus(outdir)
    for name, data in inputs():
        for command in ("convert", "render"):
            corpus.write(command + "/" + name, data, command, "ok")


if __name__ == "__main__":
    main(sys.argv[1])
