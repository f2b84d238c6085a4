#!/usr/bin/env python3
"""Recipes files far past what a batch takes: hundreds of megabytes of blank lines, millions
of lines, one line of millions of words, and the same shapes just inside the file cap, where
the line and recipe caps refuse them; beside them files exactly at each cap."""

import os
import re
import sys

import files

REFUSED = "Recipes file "


def caps():
    # A recipes file is an outfits file, read under the outfit reader's caps.
    text = open(os.path.join(files.SOURCE, "skin", "outfit.h"), encoding="utf-8").read()
    found = {}
    for name in ("kMaxOutfitFileBytes", "kMaxOutfitLineBytes", "kMaxOutfits"):
        match = re.search(name + r" = (?:std::size_t\{)?(\d+)\}?(?: << (\d+))?;", text)
        found[name] = int(match.group(1)) << int(match.group(2) or 0)
    return found["kMaxOutfitFileBytes"], found["kMaxOutfitLineBytes"], found["kMaxOutfits"]


def main(outdir):
    corpus = files.Corpus(outdir)
    file_cap, line_cap, recipes_cap = caps()

    def write_repeated(relpath, piece, times, expected, *extra):
        with open(corpus.path(relpath), "wb") as f:
            chunk = piece * max(1, (1 << 20) // len(piece))
            whole, rest = divmod(times, len(chunk) // len(piece))
            for _ in range(whole):
                f.write(chunk)
            f.write(piece * rest)
        corpus.line(relpath, "recipes", expected, *extra)

    write_repeated("blank-200mb.txt", b"\n", 200 << 20, REFUSED, "heavy")
    write_repeated("two-million-recipes.txt", b"s.bmp glasses=1\n", 2000000, REFUSED)
    write_repeated("five-million-words.txt", b"w ", 5000000, REFUSED)
    # Inside the file cap: the line and recipe caps refuse these.
    write_repeated("two-million-short-lines.txt", b"a\n", 2000000, REFUSED)
    write_repeated("two-million-words.txt", b"w ", 2000000, REFUSED)
    write_repeated("over-file-cap.txt", b"\n", file_cap + 1, REFUSED)
    write_repeated("over-line-cap.txt", b" ", line_cap + 1, REFUSED)
    write_repeated("over-recipes-cap.txt", b"x.bmp nosuch=1\n", recipes_cap + 1, REFUSED)
    # At each cap: run, every bad line reported on its own line.
    write_repeated("at-file-cap.txt", b"\n", file_cap, "ok")
    corpus.save("at-line-cap.txt", b"skin.bmp" + b" " * (line_cap - len(b"skin.bmp")))
    corpus.line("at-line-cap.txt", "recipes", "ok")
    write_repeated("at-recipes-cap.txt", b"x.bmp nosuch=1\n", recipes_cap,
                   "unknown category nosuch")


if __name__ == "__main__":
    main(sys.argv[1])
