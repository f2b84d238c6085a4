#!/usr/bin/env python3
"""Icons whose entry is PNG data: far over the budget, just over and inside it, and a PNG
entry inside the budget that does not decode."""

import math
import sys

import files

INVALID = "Icon image is not valid"


def main(outdir):
    corpus = files.Corpus(outdir)
    # The PNG decodes into up to eight bytes a pixel (16-bit RGBA), then becomes the icon's
    # 32-bit image.
    side = math.isqrt(files.MAX_PICTURE_BYTES // (8 + 4))
    for command in ("convert", "render"):
        corpus.write("png-6000.ico", files.icon([files.png(6000, 6000)]), command, INVALID)
        corpus.write("png-65535.ico", files.icon([files.png(65535, 65535, idat=b"\x78\x9c")]),
                     command, INVALID)
        corpus.write("png-over.ico", files.icon([files.png(side + 64, side + 64)]), command,
                     INVALID)
        corpus.write("png-fit.ico", files.icon([files.png(side, side)]), command, "ok")
        corpus.write("png-broken.ico",
                     files.icon([files.png(64, 64, idat=b"\x78\x9c\xff\xff\xff\xff")]), command,
                     INVALID)
    # check reports the entry that does not decode.
    corpus.save("check-broken/parts/broken.ico",
                files.icon([files.png(64, 64, idat=b"\x78\x9c\xff\xff\xff\xff")]))
    corpus.catalogue("check-broken", {"e.ls": files.list_file(1, lambda i: "parts/broken.ico")})
    corpus.line("check-broken", "check", INVALID)


if __name__ == "__main__":
    main(sys.argv[1])
