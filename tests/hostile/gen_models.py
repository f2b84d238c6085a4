#!/usr/bin/env python3
"""Player models that ask for too much or point nowhere: frame cycles, counts and chunk sizes
past their bytes, millions of junk chunks, a frame chain 400,000 long, triangles and
atomics outside their lists, coordinates that are not numbers or are enormous, console files,
triangles covering the picture many times over, atomics multiplying a geometry, models that
would show as nothing, the most triangles examined for closed surfaces, models drawn from
their bin mesh section alone (its counts past its bytes, indices past the vertices, a strip
of more triangles than a mesh may hold), and game folders whose archive directory points
past the archive, whose archive is a FIFO or whose last entry is short of a sector. Every one
is drawn at 1024 x 1024 (the fill budget bounds the work whatever the size), and a plain
model and the layered one also at the largest size."""

import math
import os
import struct
import sys

import files

INVALID = "Player model is not valid"
NOT_FOUND = "Player model not found"
STAMP = 0x1003FFFF  # 3.4.0.3

STRUCT, EXTENSION, FRAME_LIST, GEOMETRY, CLUMP, ATOMIC, GEOMETRY_LIST, BIN_MESH = (
    0x01, 0x03, 0x0E, 0x0F, 0x10, 0x14, 0x1A, 0x50E)
LIST, STRIP = 0, 1
IDENTITY = (1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0)


def chunk(kind, payload, size=None):
    return struct.pack("<III", kind, len(payload) if size is None else size, STAMP) + payload


def frame_list(frames):
    body = struct.pack("<I", len(frames)) + b"".join(
        struct.pack("<12fiI", *matrix, parent, 0) for matrix, parent in frames)
    return chunk(FRAME_LIST, chunk(STRUCT, body) + chunk(EXTENSION, b"") * len(frames))


def geometry(positions, uvs, triangles, flags=0x00010006, vertex_count=None, bin_mesh=b""):
    count = len(positions) if vertex_count is None else vertex_count
    body = struct.pack("<Iiii", flags, len(triangles), count, 1)
    body += b"".join(struct.pack("<ff", *uv) for uv in uvs)
    body += b"".join(struct.pack("<HHHH", b, a, 0, c) for a, b, c in triangles)
    body += struct.pack("<4fii", 0, 0, 0, 1, 1, 0)
    body += b"".join(struct.pack("<fff", *p) for p in positions)
    return chunk(GEOMETRY, chunk(STRUCT, body) + chunk(EXTENSION, bin_mesh))


def bin_mesh(kind, meshes, mesh_count=None, index_counts=None):
    """A bin mesh section of `meshes` (lists of indices), its counts as given or as they are."""
    counts = index_counts or [len(m) for m in meshes]
    body = struct.pack("<III", kind, len(meshes) if mesh_count is None else mesh_count,
                       sum(len(m) for m in meshes))
    body += b"".join(struct.pack("<II", n, 0) + struct.pack("<%dI" % len(m), *m)
                     for n, m in zip(counts, meshes))
    return chunk(BIN_MESH, body)


def ribbon(pairs):
    """A long band of `pairs` vertex pairs drawn as one triangle strip."""
    positions = [(i / pairs * 2 - 1, side, 0.0) for i in range(pairs) for side in (1.0, -1.0)]
    uvs = [(i / pairs, side) for i in range(pairs) for side in (0.0, 1.0)]
    return positions, uvs, list(range(2 * pairs))


def clump(frames, geometries, atomics, before=b""):
    parts = [chunk(STRUCT, struct.pack("<Iii", len(atomics), 0, 0)), frame_list(frames),
             chunk(GEOMETRY_LIST, chunk(STRUCT, struct.pack("<I", len(geometries))) +
                   b"".join(geometries))]
    parts += [chunk(ATOMIC, chunk(STRUCT, struct.pack("<IIII", frame, geo, 5, 0)) +
                    chunk(EXTENSION, b"")) for frame, geo in atomics]
    return before + chunk(CLUMP, b"".join(parts))


def square(z=0.0):
    return ([(1, 1, z), (-1, 1, z), (1, -1, z), (-1, -1, z)],
            [(0, 0), (1, 0), (0, 1), (1, 1)], [(0, 1, 2), (1, 3, 2)])


def layered(count, copies):
    """`count` squares stacked one behind the other, each covering the whole picture, in one
    geometry that `copies` atomics place."""
    positions, uvs, triangles = [], [], []
    for layer in range(count):
        base = len(positions)
        p, u, t = square(layer * 1e-4)
        positions += p
        uvs += u
        triangles += [(a + base, b + base, c + base) for a, b, c in t]
    return clump([(IDENTITY, -1)], [geometry(positions, uvs, triangles)], [(0, 0)] * copies)


def body(around, along):
    """A closed body: rings round Y, each repeating its first position at its end, poles
    single points; 2 * around * along triangles."""
    positions, uvs, triangles = [], [], []
    for j in range(along + 1):
        phi = math.pi * j / along
        ring = 0.0 if j in (0, along) else math.sin(phi)
        height = 1.0 if j == 0 else -1.0 if j == along else math.cos(phi)
        for i in range(around + 1):
            theta = 2 * math.pi * (i % around) / around
            positions.append((0.35 * ring * math.cos(theta), height, 0.2 * ring * math.sin(theta)))
            uvs.append((i / around, j / along))
    for j in range(along):
        for i in range(around):
            a = j * (around + 1) + i
            b = a + around + 1
            triangles += [(a, a + 1, b), (a + 1, b + 1, b)]
    return positions, uvs, triangles


def archive(folder, records, img):
    os.makedirs(os.path.join(folder, "models"), exist_ok=True)
    with open(os.path.join(folder, "models", "gta3.dir"), "wb") as f:
        for offset, size, name in records:
            f.write(struct.pack("<II24s", offset, size, name))
    with open(os.path.join(folder, "models", "gta3.img"), "wb") as f:
        f.write(img)


def main(outdir):
    corpus = files.Corpus(outdir)
    p, u, t = square()
    one = [(IDENTITY, -1)]
    model = lambda name, data, expected: corpus.write(name, data, "view", expected)

    model("plain.dff", clump(one, [geometry(p, u, t)], [(0, 0)]), "ok")
    corpus.write("plain-largest-picture.dff", clump(one, [geometry(p, u, t)], [(0, 0)]), "viewbig",
                 "ok")
    model("frame-cycle.dff", clump([(IDENTITY, -1), (IDENTITY, 2), (IDENTITY, 1)],
                                   [geometry(p, u, t)], [(1, 0)]), INVALID)
    model("frame-parent-outside.dff", clump([(IDENTITY, -1), (IDENTITY, 99)],
                                            [geometry(p, u, t)], [(1, 0)]), INVALID)
    model("vertex-count-huge.dff", clump(one, [geometry(p, u, t, vertex_count=2**31 - 1)],
                                         [(0, 0)]), INVALID)
    model("chunk-past-parent.dff", chunk(CLUMP, chunk(STRUCT, b"\0" * 12, size=2**32 - 1)),
          INVALID)
    model("junk-chunks-2m.dff", clump(one, [geometry(p, u, t)], [(0, 0)],
                                      before=chunk(0x253F2FE, b"") * 2_000_000), "ok")
    chain = [(IDENTITY, -1)] + [((1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 1e-6, 0), i)
                                for i in range(400_000)]
    model("frame-chain-400k.dff", clump(chain, [geometry(p, u, t)], [(len(chain) - 1, 0)]), "ok")
    model("triangle-outside.dff", clump(one, [geometry(p, u, [(0, 1, 9)])], [(0, 0)]), INVALID)
    model("atomic-frame-missing.dff", clump(one, [geometry(p, u, t)], [(5, 0)]), INVALID)
    model("atomic-geometry-missing.dff", clump(one, [geometry(p, u, t)], [(0, 5)]), INVALID)
    for name, value in (("nan", math.nan), ("inf", math.inf), ("enormous", 1e30)):
        bad = [(value, 1, 0)] + p[1:]
        model("coordinate-%s.dff" % name, clump(one, [geometry(bad, u, t)], [(0, 0)]), INVALID)
    model("console-native.dff", clump(one, [geometry([], [], [], flags=0x01000006,
                                                     vertex_count=4)], [(0, 0)]), INVALID)
    layers = layered(6_000, 10)
    model("layers-120k.dff", layers, "ok")
    corpus.write("layers-120k-largest-picture.dff", layers, "viewbig", "ok")
    tris = [(0, 1, 2)] * 30
    model("atomics-over-budget.dff", clump(one, [geometry(p[:3], u[:3], tris)], [(0, 0)] * 40_000),
          INVALID)
    model("atomics-240k-triangles.dff", clump(one, [geometry(p[:3], u[:3], tris)],
                                              [(0, 0)] * 8_000), "ok")

    # Models that would show as nothing: every vertex in one place, a frame of zeros, sizes
    # too small for a float, every triangle a line.
    model("no-extent-one-place.dff", clump(one, [geometry([(0.5, 0.5, 0.5)] * 4, u, t)], [(0, 0)]),
          INVALID)
    zero = (0,) * 9 + (3, 4, 5)
    model("no-extent-zero-frame.dff", clump([(IDENTITY, -1), (zero, 0)], [geometry(p, u, t)],
                                            [(1, 0)]), INVALID)
    tiny = [(x * 1e-40, y * 1e-40, z) for x, y, z in p]
    model("no-extent-denormal.dff", clump(one, [geometry(tiny, u, t)], [(0, 0)]), INVALID)
    line = [(0, 0, 0), (1, 1, 1), (2, 2, 2), (3, 3, 3)]
    model("no-area-lines.dff", clump(one, [geometry(line, u, t)], [(0, 0)]), INVALID)
    # The most triangles whose closed surfaces are looked for: four closed bodies of 62,000
    # triangles side by side (a geometry holds at most 65,536 vertices).
    bp, bu, bt = body(250, 124)
    beside = [((1, 0, 0, 0, 1, 0, 0, 0, 1, 2.0 * k, 0, 0), 0) for k in range(4)]
    bodies = clump([(IDENTITY, -1)] + beside, [geometry(bp, bu, bt)], [(k + 1, 0) for k in range(4)])
    model("closed-bodies-248k.dff", bodies, "ok")
    corpus.write("closed-bodies-248k-largest-picture.dff", bodies, "viewbig", "ok")

    # Models whose triangles are only in their bin mesh section, as some exporters write them.
    drawn = lambda data: clump(one, [geometry(p, u, [], bin_mesh=data)], [(0, 0)])
    model("binmesh-list.dff", drawn(bin_mesh(LIST, [[0, 1, 2, 1, 3, 2]])), "ok")
    model("binmesh-strip.dff", drawn(bin_mesh(STRIP, [[0, 1, 2, 3]])), "ok")
    model("binmesh-index-outside.dff", drawn(bin_mesh(STRIP, [[0, 1, 2, 9]])), INVALID)
    model("binmesh-mesh-count-huge.dff",
          drawn(bin_mesh(STRIP, [[0, 1, 2, 3]], mesh_count=2**32 - 1)), INVALID)
    model("binmesh-index-count-huge.dff",
          drawn(bin_mesh(STRIP, [[0, 1, 2, 3]], index_counts=[2**32 - 1])), INVALID)
    model("binmesh-kind-unknown.dff", drawn(bin_mesh(7, [[0, 1, 2, 3]])), INVALID)
    model("binmesh-strip-over-budget.dff", drawn(bin_mesh(STRIP, [[0, 1, 2, 3] * 62_501])),
          INVALID)
    rp, ru, ri = ribbon(65_536)
    model("binmesh-ribbon-131k.dff",
          clump(one, [geometry(rp, ru, [], bin_mesh=bin_mesh(STRIP, [ri]))], [(0, 0)]), "ok")

    game = lambda name, expected: corpus.line(name, "viewgame", expected)
    entry = clump(one, [geometry(p, u, t)], [(0, 0)])
    folder = os.path.join(outdir, "game-past-end")
    archive(folder, [(1000, 4, b"player.dff")], entry + b"\0" * (2048 - len(entry)))
    game("game-past-end", INVALID)
    folder = os.path.join(outdir, "game-entry-huge")
    archive(folder, [(0, 0xFFFFFFFF, b"player.dff")], entry)
    game("game-entry-huge", INVALID)
    folder = os.path.join(outdir, "game-fifo")
    archive(folder, [(0, 1, b"player.dff")], b"")
    os.remove(os.path.join(folder, "models", "gta3.img"))
    os.mkfifo(os.path.join(folder, "models", "gta3.img"))
    game("game-fifo", NOT_FOUND)
    # The last entry short of a whole sector, as archive tools may leave it: read as it is.
    folder = os.path.join(outdir, "game-short-last-entry")
    archive(folder, [(0, 1, b"other.dff"), (1, 1, b"player.dff")], b"\0" * 2048 + entry)
    game("game-short-last-entry", "ok")


if __name__ == "__main__":
    main(sys.argv[1])
