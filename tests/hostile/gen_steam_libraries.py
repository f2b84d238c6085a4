#!/usr/bin/env python3
"""Home folders whose Steam libraries name one another: a chain and a ring of 301 libraries,
each libraryfolders.vdf just under 1 MiB of entries naming every other library. Finding the
installs must stay bounded and still list the game in the first listed library (exit 0).

Usage: gen_steam_libraries.py OUTDIR (prints the runner's lines, see replay.py)
"""

import os
import sys

import files

LIBRARIES = 301
FILE_BYTES = (1 << 20) - 64
GAME = "steamapps/common/Grand Theft Auto Vice City"


def library_list(paths):
    """A libraryfolders.vdf whose numbered entries name `paths` over and over, up to
    FILE_BYTES."""
    head, tail = '"libraryfolders"\n{\n', "}\n"
    entries, size, n = [], len(head) + len(tail), 0
    while True:
        entry = '\t"%d"\n\t{\n\t\t"path"\t\t"%s"\n\t}\n' % (n, paths[n % len(paths)])
        if size + len(entry) > FILE_BYTES:
            break
        entries.append(entry)
        size += len(entry)
        n += 1
    return (head + "".join(entries) + tail).encode()


def home(corpus, relpath, order):
    """Library 0 is the home's Steam; library i lists the libraries `order(i)` names."""
    root = corpus.path(relpath + "/x")[:-2]
    roots = [os.path.join(root, ".local/share/Steam")]
    roots += [os.path.join(root, "libraries/%03d" % i) for i in range(1, LIBRARIES)]
    for i, library in enumerate(roots):
        corpus.save(os.path.relpath(os.path.join(library, "steamapps/libraryfolders.vdf"),
                                    corpus.outdir),
                    library_list([roots[j] for j in order(i)]))
    game = os.path.join(roots[1], GAME)
    os.makedirs(game)
    open(os.path.join(game, "gta-vc.exe"), "wb").close()
    corpus.line(relpath, "games", "ok", "heavy")


def main(outdir):
    corpus = files.Corpus(outdir)
    # Each names the next ones first, so the search walks all the way down the chain.
    home(corpus, "chain", lambda i: [(i + k) % LIBRARIES for k in range(1, LIBRARIES)])
    home(corpus, "ring", lambda i: [(i + 1) % LIBRARIES])


if __name__ == "__main__":
    main(sys.argv[1])
