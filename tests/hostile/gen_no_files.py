#!/usr/bin/env python3
"""Pictures and list files that are no regular files: symlinks to devices, FIFOs, a socket,
and sparse files far larger than any picture or list file the program takes."""

import os
import socket
import sys

import files

CANNOT_OPEN = "Cannot open file"
HUGE = 100 << 30  # 100 GB, sparse


def main(outdir):
    corpus = files.Corpus(outdir)

    def special(relpath, make, *commands):
        make(corpus.path(relpath))
        for command in commands:
            corpus.line(relpath, command, CANNOT_OPEN)

    special("zero.bmp", lambda p: os.symlink("/dev/zero", p), "convert", "render")
    special("urandom.jpg", lambda p: os.symlink("/dev/urandom", p), "convert", "render")
    special("null.ico", lambda p: os.symlink("/dev/null", p), "convert")
    special("fifo.bmp", os.mkfifo, "convert", "render")
    special("fifo-link.emf", lambda p: os.symlink("fifo.bmp", p), "convert")

    def make_socket(path):
        s = socket.socket(socket.AF_UNIX)
        s.bind(path)
        s.close()

    special("socket.wmf", make_socket, "convert")

    for name, expected in (("sparse.bmp", "Bitmap image is not valid"),
                           ("sparse.jpg", files.jpeg_error("JERR_IMAGE_TOO_BIG")),
                           ("sparse.ico", "Icon image is not valid"),
                           ("sparse.emf", "Metafile is not valid")):
        with open(corpus.path(name), "wb") as f:
            f.write(files.bmp(64, 64, 8) if name.endswith(".bmp") else b"\xFF\xD8")
            f.truncate(HUGE)
        corpus.line(name, "convert", expected)

    # List files: the first one a FIFO, or a link to a device, or a huge sparse file.
    corpus.catalogue("fifo-list", {})
    os.remove(corpus.path("fifo-list/e.ls"))
    os.mkfifo(corpus.path("fifo-list/e.ls"))
    corpus.catalogue("device-list", {})
    os.remove(corpus.path("device-list/p.ls"))
    os.symlink("/dev/zero", corpus.path("device-list/p.ls"))
    corpus.catalogue("sparse-list", {})
    with open(corpus.path("sparse-list/e.ls"), "wb") as f:
        f.write(b"<NEW>\r\npart.bmp\r\nentry\r\n")
        f.truncate(HUGE)
    for folder, expected in (("fifo-list", CANNOT_OPEN), ("device-list", CANNOT_OPEN),
                             ("sparse-list", "Text exceeds memo capacity")):
        corpus.line(folder, "list", expected)
        corpus.line(folder, "check", expected)


if __name__ == "__main__":
    main(sys.argv[1])
