#!/usr/bin/env python3
"""Bitmaps whose headers declare huge pictures in a few bytes: 8-bit, 1-bit, RLE8 and RLE4,
at the largest size the decoders once took and just inside and outside today's budget."""

import math
import sys

import files

BITMAP_INVALID = "Bitmap image is not valid"
DISPLAY_BYTES = 4  # the 32-bit copy made for drawing


def largest_square(bytes_per_pixel):
    """The largest side, a multiple of 32, whose square fits the budget at that cost."""
    side = int(math.isqrt(files.MAX_PICTURE_BYTES // bytes_per_pixel))
    return min(side - side % 32, files.MAX_DIMENSION)


def main(outdir):
    corpus = files.Corpus(outdir)
    kinds = {  # name: bits, compression, pixel bytes (a short start of the rows)
        "8bit": (8, 0, b"\x11" * 64),
        "1bit": (1, 0, b"\x55" * 8),
        "rle8": (8, 1, b"\x04\x22\x00\x00" * 4 + files.rle_end()),
        "rle4": (4, 2, b"\x08\x12\x00\x00" * 4 + files.rle_end()),
    }
    # Every kind decodes to 8-bit rows, and drawing adds a 32-bit copy.
    fit = largest_square(1 + DISPLAY_BYTES)
    for name, (bits, compression, pixels) in kinds.items():
        for command in ("convert", "render"):
            corpus.write("%s-16384.bmp" % name, files.bmp(16384, 16384, bits, compression, pixels),
                         command, BITMAP_INVALID)
            corpus.write("%s-over.bmp" % name, files.bmp(fit + 64, fit + 64, bits, compression,
                                                         pixels), command, BITMAP_INVALID)
            corpus.write("%s-fit.bmp" % name, files.bmp(fit, fit, bits, compression, pixels),
                         command, "ok")
    # A true-colour bitmap costs four bytes a pixel stored and four more drawn.
    side32 = largest_square(4 + DISPLAY_BYTES)
    corpus.write("32bit-fit.bmp", files.bmp(side32, side32, 32, pixels=b"\x80" * 64), "convert",
                 "ok")
    corpus.write("32bit-over.bmp", files.bmp(side32 + 64, side32 + 64, 32, pixels=b"\x80" * 64),
                 "convert", BITMAP_INVALID)
    # One side at the per-axis limit, the other one pixel.
    corpus.write("strip.bmp", files.bmp(files.MAX_DIMENSION, 1, 8, pixels=b"\x01" * 64),
                 "convert", "ok")
    corpus.write("strip-over.bmp", files.bmp(files.MAX_DIMENSION + 32, 1, 8, pixels=b"\x01"),
                 "convert", BITMAP_INVALID)


if __name__ == "__main__":
    main(sys.argv[1])
