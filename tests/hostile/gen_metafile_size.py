#!/usr/bin/env python3
"""Metafiles whose headers alone ask for a huge canvas: an EMF frame or a placeable box of
16384 x 16384 pixels, sizes just inside and outside the budget, and EMF frame arithmetic
that overflows 64 bits."""

import math
import sys

import files

INVALID = "Metafile is not valid"
CANVAS_BYTES = 4  # a metafile is drawn onto a 32-bit canvas of its own size


def emf_pixels(width, height):
    # Reference device of 1000 x 1000 pixels over 100 x 100 mm: 10 pixels a millimetre, so a
    # frame of w * 10 hundredths of a millimetre is w pixels.
    return files.emf((0, 0, width * 10, height * 10), (1000, 1000), (100, 100))


def main(outdir):
    corpus = files.Corpus(outdir)
    side = math.isqrt(files.MAX_PICTURE_BYTES // CANVAS_BYTES)
    side = min(side - side % 8, files.MAX_DIMENSION)
    for command in ("convert", "render"):
        corpus.write("emf-16384.emf", emf_pixels(16384, 16384), command, INVALID)
        corpus.write("emf-fit.emf", emf_pixels(side, side), command, "ok")
        corpus.write("emf-over.emf", emf_pixels(side + 64, side + 64), command, INVALID)
        # 96 units an inch at 96 dpi: one unit is one pixel.
        corpus.write("wmf-16384.wmf", files.placeable_wmf(-8192, -8192, 8191, 8191, 96),
                     command, INVALID)
        corpus.write("wmf-fit.wmf", files.placeable_wmf(0, 0, side, side, 96), command, "ok")
        corpus.write("wmf-over.wmf", files.placeable_wmf(0, 0, side + 64, side + 64, 96),
                     command, INVALID)
    # Frame of -2^31 .. 2^31-1 hundredths of a millimetre with 2^31-1 device pixels and
    # millimetres: the product of frame and pixels passes 2^63.
    big = 2**31 - 1
    for name, frame, px, mm in (
            ("overflow-both.emf", (-2**31, -2**31, big, big), (big, big), (big, big)),
            ("overflow-x.emf", (-2**31, 0, big, 100), (big, 1000), (1, 100)),
            ("overflow-mm1.emf", (-2**31, -2**31, big, big), (big, big), (1, 1))):
        corpus.write(name, files.emf(frame, px, mm), "convert", INVALID)


if __name__ == "__main__":
    main(sys.argv[1])
