#!/usr/bin/env python3
"""Makes a game folder the programs take for an install: gta-vc.exe, an empty skins folder,
and models/gta3.dir and gta3.img holding a player.dff, a closed body made with the model
writer of the hostile-input tests.

    make_game.py FOLDER"""

import os
import sys

# The model writer lies in ../hostile in the checkout, or beside this script in a copy.
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [HERE, os.path.join(HERE, "..", "hostile")]
from gen_models import IDENTITY, archive, body, clump, geometry  # noqa: E402

SECTOR = 2048


def main(folder):
    positions, uvs, triangles = body(24, 12)
    model = clump([(IDENTITY, -1)], [geometry(positions, uvs, triangles)], [(0, 0)])
    sectors = -(-len(model) // SECTOR)
    archive(folder, [(0, sectors, b"player.dff")], model.ljust(sectors * SECTOR, b"\0"))
    os.makedirs(os.path.join(folder, "skins"), exist_ok=True)
    open(os.path.join(folder, "gta-vc.exe"), "wb").close()


if __name__ == "__main__":
    main(sys.argv[1])
