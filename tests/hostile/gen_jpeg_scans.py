#!/usr/bin/env python3
"""JPEGs whose cost is not their size: progressive frames with many near-empty scans, and
frames whose scan holds no data at all, over huge and over budget-sized frames."""

import math
import sys

import files

TOO_BIG = files.jpeg_error("JERR_IMAGE_TOO_BIG")
BAD_PROGRESSION = files.jpeg_error("JERR_BAD_PROGRESSION")
MAX_SCANS = 100  # what trusted decoders' own fuzz harnesses allow


def largest_grey_side(bytes_per_pixel):
    side = int(math.isqrt(files.MAX_PICTURE_BYTES // bytes_per_pixel))
    return min(side - side % 16, files.MAX_DIMENSION)


def main(outdir):
    corpus = files.Corpus(outdir)
    # Greyscale decodes to 8-bit rows plus the 32-bit drawing copy; a progressive frame also
    # keeps two bytes per coefficient.
    progressive_side = largest_grey_side(1 + 4 + 2)
    baseline_side = largest_grey_side(1 + 4)
    for command in ("convert", "render"):
        corpus.write("progressive-16384-1000.jpg", files.jpeg_progressive(16384, 16384, 1000),
                     command, TOO_BIG)
        corpus.write("progressive-fit-1000.jpg",
                     files.jpeg_progressive(progressive_side, progressive_side, 1000), command,
                     BAD_PROGRESSION)
        corpus.write("progressive-fit-101.jpg",
                     files.jpeg_progressive(progressive_side, progressive_side, MAX_SCANS + 1),
                     command, BAD_PROGRESSION)
        corpus.write("progressive-fit-100.jpg",
                     files.jpeg_progressive(progressive_side, progressive_side, MAX_SCANS),
                     command, "ok")
        corpus.write("progressive-small-1000.jpg", files.jpeg_progressive(64, 64, 1000),
                     command, BAD_PROGRESSION)
        corpus.write("nodata-16384-grey.jpg", files.jpeg_no_data(16384, 16384, 1), command,
                     TOO_BIG)
        corpus.write("nodata-16384-colour.jpg", files.jpeg_no_data(16384, 16384, 3), command,
                     TOO_BIG)
        corpus.write("nodata-fit-grey.jpg", files.jpeg_no_data(baseline_side, baseline_side, 1),
                     command, "ok")
        colour_side = largest_grey_side(3 + 4)
        corpus.write("nodata-fit-colour.jpg",
                     files.jpeg_no_data(colour_side, colour_side, 3), command, "ok")
        corpus.write("nodata-over-grey.jpg",
                     files.jpeg_no_data(baseline_side + 64, baseline_side + 64, 1), command,
                     TOO_BIG)


if __name__ == "__main__":
    main(sys.argv[1])
