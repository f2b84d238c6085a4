#!/usr/bin/env python3
"""Writes a stand-in player model for the benchmarks: a figure of boxes (head, body, arms,
legs, feet) about as tall, wide and deep as a person, each box textured from its own area
of the 256 x 256 skin, as one .dff that `vestura-cli view --model` reads.
Usage: make_figure.py OUTPUT.dff"""

import struct
import sys

STAMP = 0x1003FFFF  # 3.4.0.3
STRUCT, EXTENSION, FRAME_LIST, GEOMETRY, CLUMP, ATOMIC, GEOMETRY_LIST = (
    0x01, 0x03, 0x0E, 0x0F, 0x10, 0x14, 0x1A)
IDENTITY = (1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0)

# (centre, half sizes, skin area x0 y0 x1 y1 in pixels)
BOXES = [
    ((0.0, 0.78, 0.0), (0.11, 0.13, 0.11), (128, 0, 256, 128)),      # head
    ((0.0, 0.30, 0.0), (0.22, 0.34, 0.12), (87, 128, 216, 256)),     # body
    ((0.30, 0.32, 0.0), (0.07, 0.32, 0.07), (216, 128, 256, 256)),   # arms
    ((-0.30, 0.32, 0.0), (0.07, 0.32, 0.07), (216, 128, 256, 256)),
    ((0.11, -0.45, 0.0), (0.09, 0.42, 0.09), (0, 84, 87, 256)),      # legs
    ((-0.11, -0.45, 0.0), (0.09, 0.42, 0.09), (0, 84, 87, 256)),
    ((0.11, -0.92, -0.05), (0.09, 0.05, 0.15), (0, 0, 87, 84)),      # feet
    ((-0.11, -0.92, -0.05), (0.09, 0.05, 0.15), (0, 0, 87, 84)),
]


def chunk(kind, payload):
    return struct.pack("<III", kind, len(payload), STAMP) + payload


def box(centre, half, area, positions, uvs, triangles):
    """Six faces of four corners each; the skin area is split into a 3 x 2 grid, a face each."""
    cx, cy, cz = centre
    hx, hy, hz = half
    x0, y0, x1, y1 = area
    cells = [(i % 3, i // 3) for i in range(6)]
    # Each face: its outward axis and sign; the corners go round it.
    faces = [
        lambda u, v: (cx + hx * u, cy - hy * v, cz - hz),  # -Z, the front
        lambda u, v: (cx + hx, cy - hy * v, cz + hz * u),  # +X
        lambda u, v: (cx - hx * u, cy - hy * v, cz + hz),  # +Z, the back
        lambda u, v: (cx - hx, cy - hy * v, cz - hz * u),  # -X
        lambda u, v: (cx + hx * u, cy + hy, cz + hz * v),  # +Y
        lambda u, v: (cx + hx * u, cy - hy, cz - hz * v),  # -Y
    ]
    for face, (col, row) in zip(faces, cells):
        base = len(positions)
        for u, v in ((-1, -1), (1, -1), (-1, 1), (1, 1)):
            positions.append(face(u, v))
            su = (x0 + (x1 - x0) * (col + (u + 1) / 2) / 3) / 256
            sv = (y0 + (y1 - y0) * (row + (v + 1) / 2) / 2) / 256
            uvs.append((su, sv))
        triangles += [(base, base + 1, base + 2), (base + 1, base + 3, base + 2)]


def main(output):
    positions, uvs, triangles = [], [], []
    for centre, half, area in BOXES:
        box(centre, half, area, positions, uvs, triangles)
    body = struct.pack("<Iiii", 0x00010006, len(triangles), len(positions), 1)
    body += b"".join(struct.pack("<ff", *uv) for uv in uvs)
    body += b"".join(struct.pack("<HHHH", b, a, 0, c) for a, b, c in triangles)
    body += struct.pack("<4fii", 0, 0, 0, 1, 1, 0)
    body += b"".join(struct.pack("<fff", *p) for p in positions)
    geometry = chunk(GEOMETRY, chunk(STRUCT, body) + chunk(EXTENSION, b""))
    frames = chunk(FRAME_LIST, chunk(STRUCT, struct.pack("<I", 1) +
                                     struct.pack("<12fiI", *IDENTITY, -1, 0)) +
                   chunk(EXTENSION, b""))
    clump = chunk(CLUMP, chunk(STRUCT, struct.pack("<Iii", 1, 0, 0)) + frames +
                  chunk(GEOMETRY_LIST, chunk(STRUCT, struct.pack("<I", 1)) + geometry) +
                  chunk(ATOMIC, chunk(STRUCT, struct.pack("<IIII", 0, 0, 5, 0)) +
                        chunk(EXTENSION, b"")))
    with open(output, "wb") as f:
        f.write(clump)


if __name__ == "__main__":
    main(sys.argv[1])
