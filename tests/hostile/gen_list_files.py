#!/usr/bin/env python3
"""Seven list files at the line buffer's capacity, each line a record marker (the most
entries a list file can make), and one byte over it; and seven at capacity whose every
entry names one picture at the decoded-size budget."""

import os
import re
import sys

import files
from gen_bmp_huge import DISPLAY_BYTES, largest_square


def capacity():
    text = open(os.path.join(files.SOURCE, "game", "line_buffer.h"), encoding="utf-8").read()
    match = re.search(r"kCapacity = std::size_t\{(\d+)\} << (\d+);", text)
    return int(match.group(1)) << int(match.group(2))


def main(outdir):
    corpus = files.Corpus(outdir)
    size = capacity()
    line = "<NEW>\r\n"
    full = line * (size // len(line))
    full += "x" * (size - len(full))  # exactly at capacity
    corpus.catalogue("at-capacity", {name: full for name in files.LIST_FILES})
    corpus.line("at-capacity", "list", "ok")
    # Every entry's path is "<NEW>": no known extension, and no file is opened.
    corpus.line("at-capacity", "check", "Unknown picture file extension", "heavy")
    corpus.catalogue("over-capacity", {"e.ls": full + "y"})
    corpus.line("over-capacity", "list", "Text exceeds memo capacity")
    # check decodes a picture once however many entries name it.
    record = "<NEW>\r\nlarge.bmp\r\n"
    same = record * (size // len(record))
    corpus.catalogue("one-picture", {name: same for name in files.LIST_FILES})
    side = largest_square(1 + DISPLAY_BYTES)
    corpus.save("one-picture/large.bmp", files.bmp(side, side, 8, pixels=b"\x11" * 64))
    corpus.line("one-picture", "check", "ok", "heavy")


if __name__ == "__main__":
    main(sys.argv[1])
