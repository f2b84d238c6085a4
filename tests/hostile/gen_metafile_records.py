#!/usr/bin/env python3
"""Writes hostile metafiles whose records ask for unbounded work, one per class.

Usage: gen_metafile_records.py OUTDIR

Every input is a valid metafile whose records ask for far more work than any part picture
needs: huge embedded bitmaps, clip regions that grow with every record, enormous pens and
arcs, a million full-canvas records, long dotted and dashed polylines, a full object table
followed by more creates, and one very long run of very large text. Playback stops when
its work budget runs out, so each must load and draw (exit 0, picture written).

Prints one line per input: RELPATH<TAB>COMMAND<TAB>EXPECTED[<TAB>heavy], where COMMAND is
"convert" (vestura-cli convert OUTDIR/RELPATH out.bmp) or "render" (the picture named by
entry 1 of every category) and EXPECTED is "ok". "heavy" marks inputs too slow for a
sanitizer build.
"""

import math
import os
import struct
import sys

CANVAS = 2048  # pixels per side of every picture made here

# ---- EMF ----

EMR_HEADER = 1
EMR_EOF = 14
EMR_INTERSECTCLIPRECT = 30
EMR_SETWORLDTRANSFORM = 35
EMR_MODIFYWORLDTRANSFORM = 36
EMR_SELECTOBJECT = 37
EMR_CREATEPEN = 38
EMR_ELLIPSE = 42
EMR_RECTANGLE = 43
EMR_ARC = 45
EMR_STRETCHDIBITS = 81
EMR_EXTCREATEFONTINDIRECTW = 82
EMR_EXTTEXTOUTW = 84
EMR_POLYLINE16 = 87

NULL_PEN = 0x80000008
SRCCOPY = 0x00CC0020
MWT_LEFTMULTIPLY = 2


def emf_record(kind, payload):
    payload += b"\0" * (-len(payload) % 4)
    return struct.pack("<II", kind, 8 + len(payload)) + payload


def emf(records):
    """A CANVAS x CANVAS pixel EMF: a 1000 px, 100 mm reference device, so one logical
    unit of the default mapping is one pixel of the picture."""
    body = b"".join(records) + emf_record(EMR_EOF, struct.pack("<III", 0, 16, 0))
    frame = CANVAS * 10  # 0.01 mm at 10 px per mm
    header = struct.pack(
        "<II4i4iIIIIHHIIIiiii",
        EMR_HEADER, 88,
        0, 0, CANVAS - 1, CANVAS - 1,
        0, 0, frame, frame,
        0x464D4520, 0x10000, 0, len(records) + 2, 1, 0, 0, 0, 0,
        1000, 1000, 100, 100)
    total = header + body
    return total[:48] + struct.pack("<I", len(total)) + total[52:]


def xform(m11, m12, m21, m22, dx, dy):
    return struct.pack("<6f", m11, m12, m21, m22, dx, dy)


def rotation_about_centre(degrees):
    a = math.radians(degrees)
    c, s = math.cos(a), math.sin(a)
    h = CANVAS / 2
    return xform(c, s, -s, c, h - c * h + s * h, h - s * h - c * h)


def rect(left, top, right, bottom):
    return struct.pack("<4i", left, top, right, bottom)


def create_pen(index, style, width, color=0):
    return emf_record(EMR_CREATEPEN, struct.pack("<IIiiI", index, style, width, 0, color))


def select(index):
    return emf_record(EMR_SELECTOBJECT, struct.pack("<I", index))


def rle8_dib(side):
    """A side x side RLE8 DIB of one colour whose data ends at once: a few bytes that
    decode to side * side pixels."""
    bits = b"\x00\x01"  # end of bitmap
    header = struct.pack("<IiiHHIIiiII", 40, side, side, 1, 8, 1, len(bits), 0, 0, 1, 0)
    return header + struct.pack("<I", 0x00336699), bits


def stretch_dibits_records(count, side):
    bmi, bits = rle8_dib(side)
    bmi_at = 80
    bits_at = bmi_at + len(bmi)
    fixed = struct.pack(
        "<4iiiiiiiIIIIIIii",
        0, 0, CANVAS, CANVAS,
        0, 0, 0, 0, side, side,
        bmi_at, len(bmi), bits_at, len(bits), 0, SRCCOPY, CANVAS, CANVAS)
    record = emf_record(EMR_STRETCHDIBITS, fixed + bmi + bits)
    return [record] * count


def clip_records(count):
    """Each step turns the world a little and intersects the clip with a rectangle of the
    whole picture, then draws under it: every intersection adds corners to the clip."""
    records = [emf_record(EMR_SETWORLDTRANSFORM, rotation_about_centre(30)),
               select(NULL_PEN)]
    step = emf_record(EMR_MODIFYWORLDTRANSFORM, rotation_about_centre(0.7) +
                      struct.pack("<I", MWT_LEFTMULTIPLY))
    clip = emf_record(EMR_INTERSECTCLIPRECT, rect(-CANVAS, -CANVAS, 2 * CANVAS, 2 * CANVAS))
    box = emf_record(EMR_RECTANGLE, rect(0, 0, CANVAS, CANVAS))
    records += [step, clip, box] * count
    return records


def wide_pen_ellipses(count):
    records = [emf_record(EMR_SETWORLDTRANSFORM, xform(1e6, 0, 0, 1e6, 0, 0)),
               create_pen(1, 0, 1000, 0x0000FF), select(1)]
    records += [emf_record(EMR_ELLIPSE, rect(0, 0, 1, 1))] * count
    return records


def huge_arcs(count):
    big = 2**31 - 1
    arc = emf_record(EMR_ARC, rect(-big, -big, big, big) + struct.pack("<4i", big, 0, 0, big))
    return [arc] * count


def dashed_polyline(style, width, points):
    """One POLYLINE16 whose segments run corner to corner far beyond the picture."""
    coords = []
    for i in range(points):
        lo, hi = -32768 + (i % 7), 32767 - (i % 5)
        coords += [lo, lo] if i % 2 == 0 else [hi, hi]
    body = rect(-32768, -32768, 32767, 32767) + struct.pack("<I", points)
    body += struct.pack("<%dh" % len(coords), *coords)
    return [create_pen(1, style, width), select(1), emf_record(EMR_POLYLINE16, body)]


def long_text(chars, pixels, advance):
    face = "Liberation Sans".encode("utf-16-le")
    logfont = struct.pack("<iiiiiBBBBBBBB", -pixels, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0)
    logfont += face + b"\0" * (64 - len(face))
    font = emf_record(EMR_EXTCREATEFONTINDIRECTW, struct.pack("<I", 1) + logfont)
    string_at = 76
    dx_at = string_at + chars * 2 + (chars * 2) % 4
    text = struct.pack("<4iIff", 0, 0, CANVAS, CANVAS, 1, 1.0, 1.0)
    text += struct.pack("<iiIII4iI", 0, pixels, chars, string_at, 0, 0, 0, 0, 0, dx_at)
    text += "W".encode("utf-16-le") * chars
    text += b"\0" * (dx_at - string_at - chars * 2)
    text += struct.pack("<i", advance) * chars
    return [font, select(1), emf_record(EMR_EXTTEXTOUTW, text)]


# ---- WMF ----

META_SELECTOBJECT = 0x012D
META_CREATEPENINDIRECT = 0x02FA
META_CREATEBRUSHINDIRECT = 0x02FC
META_RECTANGLE = 0x041B
META_DIBBITBLT = 0x0940


def wmf_record(function, payload):
    payload += b"\0" * (len(payload) % 2)
    return struct.pack("<IH", 3 + len(payload) // 2, function) + payload


def wmf(units, records):
    """A placeable WMF of `units` logical units per side drawn at CANVAS pixels."""
    units_per_inch = units * 96 // CANVAS  # the display's 96 dpi
    words = [0xCDD7, 0x9AC6, 0, 0, 0, units, units, units_per_inch, 0, 0]
    checksum = 0
    for w in words:
        checksum ^= w
    placeable = struct.pack("<10HH", *words, checksum)
    body = b"".join(records) + struct.pack("<IH", 3, 0)
    standard = struct.pack("<HHHIHIH", 1, 9, 0x0300, (18 + len(body)) // 2, 1 << 15, 0, 0)
    return placeable + standard + body


def wmf_brush(color):
    return wmf_record(META_CREATEBRUSHINDIRECT, struct.pack("<HIH", 0, color, 0))


def one_bit_dib(side):
    """A side x side 1-bit DIB without its pixel bytes: 48 bytes that decode to
    side * side pixels."""
    header = struct.pack("<IiiHHIIiiII", 40, side, side, 1, 1, 0, 0, 0, 0, 2, 0)
    return header + struct.pack("<II", 0, 0x00FFFFFF)


def dib_bitblt_records(count, side):
    blit = struct.pack("<I6h", SRCCOPY, 0, 0, side, side, 0, 0) + one_bit_dib(side)
    return [wmf_record(META_DIBBITBLT, blit)] * count


def full_canvas_records(count, units):
    null_pen = wmf_record(META_CREATEPENINDIRECT, struct.pack("<HhhI", 5, 0, 0, 0))
    records = [null_pen, wmf_record(META_SELECTOBJECT, struct.pack("<H", 0)),
               wmf_brush(0x00FF8000), wmf_record(META_SELECTOBJECT, struct.pack("<H", 1))]
    box = wmf_record(META_RECTANGLE, struct.pack("<4h", units, units, 0, 0))
    return records + [box] * count


def object_table_records(fill, more):
    return [wmf_brush(i & 0xFFFFFF) for i in range(fill)] + [wmf_brush(0x00808080)] * more


# ---- Inputs ----

MAX_RECORDS = (1 << 20) - 16  # just inside the player's record cap


def inputs():
    yield "dib_stretchdibits_rle8.emf", emf(stretch_dibits_records(100, 16384)), False
    yield "dib_bitblt.wmf", wmf(16384, dib_bitblt_records(50, 16384)), False
    yield "clip_rotated.emf", emf(clip_records(4000)), False
    yield "ellipses_wide_pen.emf", emf(wide_pen_ellipses(100000)), False
    yield "arcs_huge.emf", emf(huge_arcs(100000)), False
    yield "full_canvas_records.wmf", wmf(CANVAS, full_canvas_records(MAX_RECORDS, CANVAS)), True
    yield "polyline_dotted.emf", emf(dashed_polyline(2, 0, 100000)), False
    yield "polyline_dashed.emf", emf(dashed_polyline(1, 3, 100000)), False
    yield "object_table.wmf", wmf(CANVAS, object_table_records(65536, 200000)), True
    yield "text_65535_glyphs.emf", emf(long_text(65535, 2048, 40)), False


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: gen_metafile_records.py OUTDIR")
    out = sys.argv[1]
    for command in ("convert", "render"):
        os.makedirs(os.path.join(out, command), exist_ok=True)
    for name, data, heavy in inputs():
        for command in ("convert", "render"):
            relpath = os.path.join(command, name)
            with open(os.path.join(out, relpath), "wb") as f:
                f.write(data)
            print("\t".join([relpath, command, "ok"] + (["heavy"] if heavy else [])))


if __name__ == "__main__":
    main()
