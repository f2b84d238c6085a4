#!/usr/bin/env python3
"""Pictures inside the budget run under address-space caps too low for them: the program
must say "Out of memory" and exit 1, never end by an uncaught failure or write a 0 x 0
bitmap. And the huge bitmap that once ran out in the writer, under 2 GiB and 1 GiB."""

import math
import sys

import files

OUT_OF_MEMORY = "Out of memory"
# The program itself maps about 95 MiB here; this leaves room to start but not for the
# picture's copies.
LOW_CAP = "as=%d" % 105


def side(bytes_per_pixel, multiple):
    s = math.isqrt(files.MAX_PICTURE_BYTES // bytes_per_pixel)
    return min(s - s % multiple, files.MAX_DIMENSION)


def main(outdir):
    corpus = files.Corpus(outdir)
    huge = files.bmp(16384, 16384, 8, pixels=b"\x11" * 64)
    corpus.write("8bit-16384.bmp", huge, "convert", "Bitmap image is not valid", "as=2048")
    corpus.line("8bit-16384.bmp", "convert", "Bitmap image is not valid", "as=1024")
    s = side(1 + 4, 32)
    corpus.write("8bit-fit.bmp", files.bmp(s, s, 8, pixels=b"\x11" * 64), "convert",
                 OUT_OF_MEMORY, LOW_CAP)
    corpus.line("8bit-fit.bmp", "render", OUT_OF_MEMORY, LOW_CAP)
    s = side(3 + 4, 16)
    corpus.write("colour-fit.jpg", files.jpeg_no_data(s, s, 3), "convert", OUT_OF_MEMORY,
                 LOW_CAP)
    s = side(4, 8)
    corpus.write("emf-fit.emf", files.emf((0, 0, s * 10, s * 10), (1000, 1000), (100, 100)),
                 "convert", OUT_OF_MEMORY, LOW_CAP)


if __name__ == "__main__":
    main(sys.argv[1])
