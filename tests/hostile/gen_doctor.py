#!/usr/bin/env python3
"""Skins folders for vestura-cli doctor --fix: a skin linking out of the folder, a 1 GiB
sparse skin, and backups in the way that are no files (a FIFO, a link to a device), each
beside a skin the run must still fix; and names holding control characters."""

import os
import sys

import files

GIB = 1 << 30
OUTSIDE = "link to a file outside skins/"


def thirty_two():
    """A 256 x 256 skin stored at 32 bits per pixel: one that --fix rewrites."""
    return files.bmp(256, 256, 32, pixels=b"\x40" * (256 * 256 * 4))


def main(outdir):
    corpus = files.Corpus(outdir)

    def skins(game):
        return corpus.path(game + "/skins/x")[:-1]

    # A skin linking to a fixable file outside: never rewritten, nor backed up there.
    corpus.save("outside/victim.bmp", thirty_two())
    os.symlink("../../outside/victim.bmp", skins("link-out") + "link.bmp")
    corpus.line("link-out", "doctor", OUTSIDE)

    # A sparse file of 1 GiB whose headers describe a fixable skin.
    with open(skins("sparse") + "huge.bmp", "wb") as f:
        f.write(thirty_two()[:54])
        f.truncate(GIB)
    corpus.line("sparse", "doctor", "%d bytes, larger than any skin" % GIB)

    # Backups in the way that are no files, before a skin the run goes on to fix.
    for game, make in (("fifo-bak", os.mkfifo),
                       ("device-bak", lambda p: os.symlink("/dev/zero", p))):
        folder = skins(game)
        for name in ("a.bmp", "b.bmp"):
            corpus.save(game + "/skins/" + name, thirty_two())
        make(folder + "a.bmp.bak")
        corpus.line(game, "doctor", "a.bmp.bak is in the way")

    # A name that would forge an "ok" line and clear the terminal.
    corpus.save("forged/skins/x.bmp\tok\n\x1b[2Jy.bmp", files.bmp(8, 8, 24, pixels=b"\0" * 192))
    corpus.line("forged", "doctor", "x.bmp\\tok\\n\\x1B[2Jy.bmp")


if __name__ == "__main__":
    main(sys.argv[1])
