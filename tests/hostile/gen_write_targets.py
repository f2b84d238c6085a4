#!/usr/bin/env python3
"""Recipes whose outputs are no regular files, or sit in a folder that takes no new file:
device nodes made in the scratch folder (never in /dev), a FIFO with no reader, a socket, a
folder; an immutable folder on a disk too full for the new skin; and a long batch into an
immutable folder, whose skins must not all wait in memory. Device nodes and immutable
folders need root (and chattr); without them those inputs are left out."""

import os
import socket
import stat
import subprocess
import sys

import files

CANNOT_CREATE = "Cannot create file"
NULL_DEVICE, FULL_DEVICE, LOOP_DEVICE = (1, 3), (1, 7), (7, 0)
SKIN_BYTES = 197686
LONG_BATCH = 1500


def recipes(corpus, relpath, targets):
    corpus.save(relpath, "".join("%s glasses=1\n" % t for t in targets).encode())


def immutable(path):
    return subprocess.run(["chattr", "+i", path], stderr=subprocess.DEVNULL,
                          stdout=subprocess.DEVNULL).returncode == 0


def main(outdir):
    corpus = files.Corpus(outdir)
    root = os.geteuid() == 0

    def target(relpath, make, expected):
        make(corpus.path(relpath))
        recipes(corpus, relpath + ".txt", [corpus.path(relpath)])
        corpus.line(relpath + ".txt", "recipes", expected, "keeps=" + relpath)

    def node(kind, device):
        return lambda p: os.mknod(p, 0o666 | kind, os.makedev(*device))

    def make_socket(path):
        s = socket.socket(socket.AF_UNIX)
        s.bind(path)
        s.close()

    if root:
        target("null.bmp", node(stat.S_IFCHR, NULL_DEVICE), "ok")
        target("full.bmp", node(stat.S_IFCHR, FULL_DEVICE), "Stream write error")
        target("block.bmp", node(stat.S_IFBLK, LOOP_DEVICE), CANNOT_CREATE)
    target("fifo.bmp", os.mkfifo, CANNOT_CREATE)
    target("socket.bmp", make_socket, CANNOT_CREATE)
    target("folder.bmp", os.mkdir, CANNOT_CREATE)

    if not root:
        return
    # An immutable folder holding a small old skin, the disk full well before the new one.
    corpus.save("locked/old.bmp", b"old skin " * 100)
    recipes(corpus, "locked.txt", [corpus.path("locked/old.bmp")])
    if immutable(corpus.path("locked")):
        corpus.line("locked.txt", "recipes", "Stream write error", "keeps=locked/old.bmp",
                    "fsize=%d" % (SKIN_BYTES // 2))
    # A long batch rewriting skins in place in an immutable folder.
    outputs = ["batch/skin%d.bmp" % (i % 10) for i in range(LONG_BATCH)]
    for output in set(outputs):
        corpus.save(output, b"old")
    recipes(corpus, "batch.txt", [corpus.path(o) for o in outputs])
    if immutable(corpus.path("batch")):
        corpus.line("batch.txt", "recipes", "ok", "heavy")


if __name__ == "__main__":
    main(sys.argv[1])
