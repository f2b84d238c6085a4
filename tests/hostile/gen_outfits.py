#!/usr/bin/env python3
"""Outfits from outside: base pictures that are no pictures, that ask for far more than they
hold or must be scaled from the largest size; skins folders whose outfits.txt is a FIFO, a
link to another file, a folder, past a cap or binary; recipes files whose lines name bases
that fail, colours that are no colours, and long batches of coloured skins."""

import math
import os
import random
import re
import sys

import files
import gen_png_tga

BASE_FAILED = "Base skin "
NOT_RECORDED = "is written, but its outfit is not recorded"


def caps():
    text = open(os.path.join(files.SOURCE, "skin", "outfit.h"), encoding="utf-8").read()
    found = {}
    for name in ("kMaxOutfitFileBytes", "kMaxOutfitLineBytes", "kMaxOutfits"):
        match = re.search(name + r" = (?:std::size_t\{)?(\d+)\}?(?: << (\d+))?;", text)
        found[name] = int(match.group(1)) << int(match.group(2) or 0)
    return found["kMaxOutfitFileBytes"], found["kMaxOutfitLineBytes"], found["kMaxOutfits"]


def game(corpus, name):
    """A game folder (gta-vc.exe beside skins/); returns the path of its outfits.txt."""
    corpus.save(name + "/gta-vc.exe", b"MZ")
    return corpus.path(name + "/skins/outfits.txt")


def main(outdir):
    corpus = files.Corpus(outdir)
    file_cap, line_cap, outfits_cap = caps()
    side = files.MAX_DIMENSION

    # ---- Base pictures -------------------------------------------------------------------
    corpus.write("base/empty.png", b"", "base", BASE_FAILED)
    corpus.write("base/text.txt", b"not a picture\n", "base", BASE_FAILED)
    corpus.write("base/png-65535.png", files.png(65535, 65535, idat=b"\x78\x9c"), "base",
                 BASE_FAILED)
    # The widest and the tallest picture there may be, scaled into 256 x 256, and one pixel.
    corpus.write("base/wide.png", files.png(side, 1), "base", "ok")
    corpus.write("base/tall.png", files.png(1, side), "base", "ok")
    corpus.write("base/one.bmp", files.bmp(1, 1, 24, pixels=b"\x10\x20\x30\x00"), "base", "ok")
    # The largest square a PNG may be, decoded in full, then scaled down.
    fit = gen_png_tga.png_fit()
    corpus.write("base/png-fit.png", files.png(fit, fit), "base", "ok")
    corpus.write("base/nodata-16384.jpg", files.jpeg_no_data(16384, 16384), "base", BASE_FAILED)
    corpus.write("base/nodata-1024.jpg", files.jpeg_no_data(1024, 1024), "base", "ok")
    # The largest metafile canvas (10 pixels a millimetre), drawn into the base's 256 x 256.
    emf_side = math.isqrt(files.MAX_PICTURE_BYTES // 4)
    emf_side = min(emf_side - emf_side % 8, files.MAX_DIMENSION)
    corpus.write("base/emf-fit.emf",
                 files.emf((0, 0, emf_side * 10, emf_side * 10), (1000, 1000), (100, 100)),
                 "base", "ok")
    os.mkfifo(corpus.path("base/fifo.png"))
    corpus.line("base/fifo.png", "base", BASE_FAILED)
    os.symlink("/dev/zero", corpus.path("base/zero.png"))
    corpus.line("base/zero.png", "base", BASE_FAILED)
    os.makedirs(corpus.path("base/folder.png"), exist_ok=True)
    corpus.line("base/folder.png", "base", BASE_FAILED)

    # ---- The skins folder's record ----------------------------------------------------------
    corpus.save("victim.txt", b"precious\n\nlines\n")
    os.symlink(os.path.abspath(corpus.path("victim.txt")), game(corpus, "link"))
    corpus.line("link", "record", NOT_RECORDED, "keeps=victim.txt")
    os.symlink("/dev/zero", game(corpus, "zero"))
    corpus.line("zero", "record", NOT_RECORDED, "keeps=zero/skins/outfits.txt")
    os.mkfifo(game(corpus, "fifo"))
    corpus.line("fifo", "record", NOT_RECORDED, "keeps=fifo/skins/outfits.txt")
    os.makedirs(game(corpus, "folder"))
    corpus.line("folder", "record", NOT_RECORDED, "keeps=folder/skins/outfits.txt")
    with open(game(corpus, "sparse"), "wb") as f:
        f.truncate(200 << 20)
    corpus.line("sparse", "record", NOT_RECORDED)  # too large for the runner to keep a copy of
    with open(game(corpus, "over-file-cap"), "wb") as f:
        f.write(b"\n" * (file_cap + 1))
    corpus.line("over-file-cap", "record", NOT_RECORDED, "keeps=over-file-cap/skins/outfits.txt")
    with open(game(corpus, "over-line-cap"), "wb") as f:
        f.write(b"a.bmp " + b"x" * line_cap + b"\n")
    corpus.line("over-line-cap", "record", NOT_RECORDED, "keeps=over-line-cap/skins/outfits.txt")
    with open(game(corpus, "full"), "wb") as f:
        f.write(b"".join(b"s%d.bmp\n" % i for i in range(outfits_cap)))
    corpus.line("full", "record", NOT_RECORDED, "keeps=full/skins/outfits.txt")
    # Binary lines the reader takes: each kept as it stands, the new one added.
    rng = random.Random(28)
    junk = bytes(rng.randrange(256) for _ in range(1 << 20)).replace(b"\n", b"")
    with open(game(corpus, "binary"), "wb") as f:
        for start in range(0, len(junk), 200):
            f.write(junk[start:start + 200] + b"\n")
    corpus.line("binary", "record", "ok")
    # A full disk while the record is written: the skin (197686 bytes) fits, the record not.
    with open(game(corpus, "full-disk"), "wb") as f:
        f.write(b"a.bmp shirt=" + b"x" * 8000 + b"\n")
        f.write(b"".join(b"s%d.bmp shirt=%s\n" % (i, b"y" * 8000) for i in range(30)))
    corpus.line("full-disk", "record", NOT_RECORDED, "keeps=full-disk/skins/outfits.txt",
                "fsize=200000")

    # ---- Recipes lines ----------------------------------------------------------------------
    corpus.save("recipes/base.png", files.png(64, 64))
    base = os.path.abspath(corpus.path("recipes/base.png"))
    missing = "".join("m.bmp base=/nonexistent/%d.png\n" % i for i in range(outfits_cap))
    corpus.write("recipes/missing-bases.txt", missing.encode(), "recipes", BASE_FAILED)
    colours = "".join(
        "c.bmp shirt.colour=%s\n" % c for c in ("#", "#" * 7, "#1E90F", "#1E90FFF", "1E90FF",
                                                "#1E90FG", "#\x00\x00\x00\x00\x00\x00",
                                                "#" + "F" * (line_cap - 40), "#-1E90F",
                                                "#\xff\xff\xff\xff\xff\xff"))
    corpus.write("recipes/bad-colours.txt", colours.encode("latin-1"), "recipes",
                 "a colour is #RRGGBB")
    keys = "".join("k.bmp %s=#000000\n" % k for k in ("shirt.colour.colour", ".colour", "base.colour",
                                                     "x" * 8000 + ".colour", "SHIRT.COLOUR"))
    corpus.write("recipes/bad-colour-keys.txt", keys.encode(), "recipes", "unknown category")
    # A batch of coloured skins over one base, every part's colour changing on every line.
    batch = "".join(
        "x.bmp glasses=1 beard=1 chain=1 watch=1 shirt=1 jeans=1 boots=1 base=%s %s\n" % (
            base, " ".join("%s.colour=#%06X" % (c, (i * 7919 + n * 104729) & 0xFFFFFF)
                           for n, c in enumerate(("glasses", "beard", "chain", "watch", "shirt",
                                                  "jeans", "boots"))))
        for i in range(300))
    corpus.write("recipes/coloured-batch.txt", batch.encode(), "recipes", "ok")


if __name__ == "__main__":
    main(sys.argv[1])
