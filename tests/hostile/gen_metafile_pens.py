#!/usr/bin/env python3
"""Metafiles whose long polylines and polygons are drawn with broken pens: many thousands of
dots and dashes with round ends, in plain pictures and under a world transform that
stretches one axis a thousandfold and squeezes the other as much, so each dot is a long thin
sliver on the device. Each must load and draw within its budget (exit 0, picture written).

Usage: gen_metafile_pens.py OUTDIR (prints the runner's lines, see replay.py)
"""

import struct
import sys

import files
from gen_metafile_records import (EMR_POLYLINE16, EMR_SETWORLDTRANSFORM, create_pen, emf,
                                  emf_record, rect, select, xform)

EMR_POLYGON16 = 86
POINTS = 100000
DASH, DOT = 1, 2
FLAT_ENDS = 0x1200  # flat caps, bevel joins


def zigzag(points, length, x=1):
    """`points` points running up and down a column `length` units long."""
    coords = []
    for i in range(points):
        coords += [x + i % 7, 0 if i % 2 == 0 else length]
    return coords


def poly(kind, coords):
    body = rect(-32768, -32768, 32767, 32767) + struct.pack("<I", len(coords) // 2)
    return emf_record(kind, body + struct.pack("<%dh" % len(coords), *coords))


def drawn(style, width, kind, coords, world=None):
    records = [] if world is None else [emf_record(EMR_SETWORLDTRANSFORM, world)]
    return emf(records + [create_pen(1, style, width), select(1), poly(kind, coords)])


STRETCHED = xform(1000, 0, 0, 0.001, 0, 0)


def inputs():
    yield "polyline_round_dots.emf", drawn(DOT, 6, EMR_POLYLINE16, zigzag(POINTS, 250))
    yield "polyline_round_dots_wide.emf", drawn(DOT, 20, EMR_POLYLINE16, zigzag(POINTS, 250))
    yield "polyline_round_dashes.emf", drawn(DASH, 8, EMR_POLYLINE16, zigzag(POINTS, 250))
    yield "polyline_flat_dots.emf", drawn(DOT | FLAT_ENDS, 6, EMR_POLYLINE16,
                                          zigzag(POINTS, 250))
    # Just within the budget: drawn whole, in pieces.
    yield "polyline_flat_dots_drawn.emf", drawn(DOT | FLAT_ENDS, 6, EMR_POLYLINE16,
                                                zigzag(POINTS, 8))
    yield "polyline_round_dots_drawn.emf", drawn(DOT, 6, EMR_POLYLINE16, zigzag(POINTS, 1))
    yield "polygon_round_dots.emf", drawn(DOT, 6, EMR_POLYGON16, zigzag(POINTS, 250))
    yield "polyline_stretched_dots.emf", drawn(DOT, 2, EMR_POLYLINE16,
                                               zigzag(POINTS, 32767, 0), STRETCHED)
    yield "polyline_stretched_few.emf", drawn(DOT, 2, EMR_POLYLINE16, zigzag(10, 32767, 0),
                                              STRETCHED)


def main(outdir):
    corpus = files.Corpus(outdir)
    for name, data in inputs():
        for command in ("convert", "render"):
            corpus.write(command + "/" + name, data, command, "ok")


if __name__ == "__main__":
    main(sys.argv[1])
