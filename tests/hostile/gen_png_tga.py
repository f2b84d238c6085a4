#!/usr/bin/env python3
"""PNG and TGA pictures that ask for far more than they hold: headers declaring huge
pictures in a few bytes, pictures just inside and outside the budget (decoded in full when
inside, also as 16-bit grey), PNG metadata and pixel data that inflate to hundreds of MiB,
masses of chunks, run-length packets that run past the picture, and the largest picture
made opaque after its alpha bytes are all found 0."""

import math
import struct
import sys

import files

PNG_INVALID = "PNG image is not valid"
TGA_INVALID = "TGA image is not valid"
KEPT_BYTES = 4  # both keep one 32-bit image, drawn from as it is
PNG_WORKING_PER_COLUMN = 16  # libpng's two raw rows
PNG_ROW_POINTER = 8


def png_fit():
    """The largest square a PNG may be: its rows plus libpng's working rows and pointers."""
    side = math.isqrt(files.MAX_PICTURE_BYTES // KEPT_BYTES)
    while KEPT_BYTES * side * side + (PNG_WORKING_PER_COLUMN + PNG_ROW_POINTER) * side > \
            files.MAX_PICTURE_BYTES:
        side -= 1
    return side


def tga_runs(pixels, colour=b"\x20\x40\x80\xc0"):
    """Run-length packets of 128 pixels of one colour covering `pixels` pixels."""
    packet = bytes([0xFF]) + colour
    return packet * ((pixels + 127) // 128)


def main(outdir):
    corpus = files.Corpus(outdir)
    png_side = png_fit()
    tga_side = math.isqrt(files.MAX_PICTURE_BYTES // KEPT_BYTES)
    for command in ("convert", "render"):
        # A few bytes declaring 16 GiB, and 65 KB of real pixel data declaring 256 MiB.
        corpus.write("png-65535.png", files.png(65535, 65535, idat=b"\x78\x9c"), command,
                     PNG_INVALID)
        corpus.write("png-8192.png", files.png(8192, 8192), command, PNG_INVALID)
        corpus.write("png-over.png", files.png(png_side + 64, png_side + 64), command,
                     PNG_INVALID)
        corpus.write("png-fit.png", files.png(png_side, png_side), command, "ok")
        corpus.write("tga-65535.tga", files.tga(65535, 65535, tga_runs(1024)), command,
                     TGA_INVALID)
        corpus.write("tga-over.tga", files.tga(tga_side + 64, tga_side + 64, tga_runs(1024)),
                     command, TGA_INVALID)
        corpus.write("tga-fit.tga", files.tga(tga_side, tga_side, tga_runs(tga_side ** 2)),
                     command, "ok")
    # 16-bit grey with alpha is kept as the same 32-bit picture, so held to the same bounds.
    grey = b"\x80\xc0"
    corpus.write("tga-grey16-over.tga", files.tga(tga_side + 64, tga_side + 64,
                                                  tga_runs(1024, grey), image_type=11, bits=16),
                 "convert", TGA_INVALID)
    corpus.write("tga-grey16-fit.tga", files.tga(tga_side, tga_side, tga_runs(tga_side ** 2, grey),
                                                 image_type=11, bits=16), "convert", "ok")
    # The largest picture whose alpha bytes, unclaimed by its descriptor, are all 0: every
    # pixel is looked at once more and made opaque.
    corpus.write("tga-fit-alpha-bytes-zero.tga",
                 files.tga(tga_side, tga_side, tga_runs(tga_side ** 2, b"\x20\x40\x80\x00"),
                           descriptor=0x20), "convert", "ok")
    # 256 MiB of text, a colour profile of the same, and pixel data inflating to 256 MiB
    # for a 16 x 16 picture: nothing of it is inflated beyond the picture's own rows.
    bomb = files.deflated_zeros(256 << 20)
    corpus.write("png-text-bomb.png",
                 files.png_with(16, 16, files.chunk(b"zTXt", b"bomb\x00\x00" + bomb) +
                                files.chunk(b"iCCP", b"p\x00\x00" + bomb)), "convert", "ok")
    corpus.write("png-pixel-bomb.png", files.png(16, 16, idat=bomb), "convert", "ok")
    # 200,000 unknown ancillary chunks before the pixel data, all skipped.
    corpus.write("png-chunks.png",
                 files.png_with(16, 16, files.chunk(b"ruSt", b"") * 200000), "convert", "ok")
    # Runs that carry on 100,000 packets past the last pixel; a truncated run.
    corpus.write("tga-runs-past-end.tga", files.tga(64, 64, tga_runs(64 * 64 + 12800000)),
                 "convert", "ok")
    corpus.write("tga-cut.tga", files.tga(64, 64, b"\xff\x01\x02"), "convert", TGA_INVALID)
    # check names each broken picture.
    for name, data, text in (("broken.png", files.png(64, 64, idat=b"\x78\x9c\xff\xff"),
                              PNG_INVALID),
                             ("broken.tga", files.tga(64, 64, b"\x7f"), TGA_INVALID)):
        folder = "check-" + name.replace(".", "-")
        corpus.save(folder + "/parts/" + name, data)
        corpus.catalogue(folder, {"e.ls": files.list_file(1, lambda i: "parts/" + name)})
        corpus.line(folder, "check", text)


if __name__ == "__main__":
    main(sys.argv[1])
