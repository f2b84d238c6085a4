#include "model/clump_reader.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

#include "model/bin_mesh.h"
#include "model/closed_surfaces.h"
#include "model/frames.h"
#include "model/model_errors.h"
#include "model/model_limits.h"
#include "model/rw_stream.h"

namespace vestura {

namespace {

using rw::Cursor;

// Geometry format flags.
constexpr std::uint32_t kTextured = 0x04;
constexpr std::uint32_t kPrelit = 0x08;
constexpr std::uint32_t kTextured2 = 0x80;
constexpr std::uint32_t kNative = 0x01000000;  // vertex data kept in a console's own format

constexpr std::size_t kFrameBytes = 56;  // 12 floats, parent, flags
constexpr std::size_t kSurfaceBytes = 12;  // ambient, specular, diffuse (before 3.4)
constexpr std::size_t kSphereBytes = 16;   // a morph target's bounding sphere
constexpr std::size_t kColourBytes = 4;
constexpr std::size_t kUvBytes = 8;
constexpr std::size_t kTriangleBytes = 8;
constexpr std::size_t kPointBytes = 12;

struct Geometry {
    std::vector<Vec3> positions;
    std::vector<Vec2> uvs;
    std::vector<std::array<std::uint32_t, 3>> triangles;
};

struct Atomic {
    std::uint32_t frame = 0;
    std::uint32_t geometry = 0;
};

// A count from the stream: negative counts are damage, not "none".
std::uint32_t count(Cursor& c, const char* what) {
    const std::int32_t n = c.i32();
    if (n < 0) {
        invalidModel(std::string("a negative count of ") + what);
    }
    return static_cast<std::uint32_t>(n);
}

Vec3 point(Cursor& c) {
    const float x = c.f32();
    const float y = c.f32();
    const float z = c.f32();
    return {x, y, z};
}

std::vector<Frame> readFrameList(const rw::Chunk& chunk) {
    Cursor list(chunk.payload, "frame list");
    Cursor c(list.chunk(rw::kStruct).payload, "frame list");
    const std::uint32_t n = count(c, "frames");
    c.needRecords(n, kFrameBytes, "frames");
    std::vector<Frame> frames(n);
    for (Frame& frame : frames) {
        frame.local.right = point(c);
        frame.local.up = point(c);
        frame.local.at = point(c);
        frame.local.pos = point(c);
        frame.parent = c.i32();
        c.u32();  // flags
    }
    return frames;
}

std::uint32_t texCoordSets(std::uint32_t flags) {
    const std::uint32_t sets = (flags >> 16) & 0xFF;
    if (sets != 0) {
        return sets;
    }
    return (flags & kTextured2) != 0 ? 2 : (flags & kTextured) != 0 ? 1 : 0;
}

void readUvs(Cursor& c, std::uint32_t vertices, std::uint32_t sets, Geometry& g) {
    g.uvs.assign(vertices, Vec2{});
    for (std::uint32_t set = 0; set < sets; ++set) {
        c.needRecords(vertices, kUvBytes, "texture coordinates");
        if (set > 0) {
            c.skip(std::size_t{vertices} * kUvBytes);
            continue;
        }
        for (Vec2& uv : g.uvs) {
            uv.u = c.f32();
            uv.v = c.f32();
            if (!std::isfinite(uv.u) || !std::isfinite(uv.v)) {
                invalidModel("a texture coordinate is not a number");
            }
        }
    }
}

void readTriangles(Cursor& c, std::uint32_t triangles, std::uint32_t vertices, Geometry& g) {
    c.needRecords(triangles, kTriangleBytes, "triangles");
    g.triangles.resize(triangles);
    for (auto& t : g.triangles) {
        // Stored as v1, v0, material, v2.
        t[1] = c.u16();
        t[0] = c.u16();
        c.u16();
        t[2] = c.u16();
        if (t[0] >= vertices || t[1] >= vertices || t[2] >= vertices) {
            invalidModel("a triangle names a vertex the geometry does not have");
        }
    }
}

// The geometry's bin mesh section, in the extension after its struct and material list.
std::optional<rw::Chunk> findBinMesh(Cursor& afterStruct) {
    const std::optional<rw::Chunk> extension = afterStruct.lookFor(rw::kExtension);
    if (!extension) {
        return std::nullopt;
    }
    Cursor plugins(extension->payload, "extension");
    return plugins.lookFor(rw::kBinMesh);
}

void readPositions(Cursor& c, std::uint32_t morphTargets, std::uint32_t vertices, Geometry& g) {
    if (morphTargets == 0) {
        invalidModel("a geometry holds no vertex positions");
    }
    c.skip(kSphereBytes);
    const std::int32_t hasPositions = c.i32();
    c.i32();  // has normals
    if (hasPositions == 0) {
        invalidModel("a geometry holds no vertex positions");
    }
    c.needRecords(vertices, kPointBytes, "vertices");
    g.positions.resize(vertices);
    for (Vec3& p : g.positions) {
        p = point(c);
    }
}

Geometry readGeometry(const rw::Chunk& chunk) {
    Cursor outer(chunk.payload, "geometry");
    const rw::Chunk data = outer.chunk(rw::kStruct);
    Cursor c(data.payload, "geometry");
    const std::uint32_t flags = c.u32();
    const std::uint32_t triangles = count(c, "triangles");
    const std::uint32_t vertices = count(c, "vertices");
    const std::uint32_t morphTargets = count(c, "morph targets");
    // A console's file keeps its vertices elsewhere, so its counts are not checked against
    // this chunk: it is named for what it is.
    if ((flags & kNative) != 0) {
        invalidModel("a geometry holds no vertex data (a file made for a console)");
    }
    // Nothing is allocated for vertices whose positions could not fit in the chunk.
    c.needRecords(vertices, kPointBytes, "vertices");
    if (data.version < rw::kVersion34) {
        c.skip(kSurfaceBytes);
    }
    if ((flags & kPrelit) != 0) {
        c.needRecords(vertices, kColourBytes, "vertex colours");
        c.skip(std::size_t{vertices} * kColourBytes);
    }
    Geometry g;
    readUvs(c, vertices, texCoordSets(flags), g);
    // The game draws from the bin mesh; the triangle list is only for a file without one,
    // and is passed over unread (so unchecked) when the bin mesh is there.
    if (const std::optional<rw::Chunk> binMesh = findBinMesh(outer)) {
        c.needRecords(triangles, kTriangleBytes, "triangles");
        c.skip(std::size_t{triangles} * kTriangleBytes);
        g.triangles = readBinMesh(binMesh->payload, vertices);
    } else {
        readTriangles(c, triangles, vertices, g);
    }
    readPositions(c, morphTargets, vertices, g);
    return g;
}

std::vector<Geometry> readGeometryList(const rw::Chunk& chunk) {
    Cursor list(chunk.payload, "geometry list");
    Cursor header(list.chunk(rw::kStruct).payload, "geometry list");
    const std::uint32_t n = count(header, "geometries");
    list.needRecords(n, rw::kChunkHeaderBytes, "geometries");
    std::vector<Geometry> geometries;
    for (std::uint32_t i = 0; i < n; ++i) {
        geometries.push_back(readGeometry(list.chunk(rw::kGeometry)));
    }
    return geometries;
}

Atomic readAtomic(const rw::Chunk& chunk, std::size_t frames, std::size_t geometries) {
    Cursor outer(chunk.payload, "atomic");
    Cursor c(outer.chunk(rw::kStruct).payload, "atomic");
    Atomic a;
    a.frame = c.u32();
    a.geometry = c.u32();
    if (a.frame >= frames) {
        invalidModel("an atomic names a frame the clump does not have");
    }
    if (a.geometry >= geometries) {
        invalidModel("an atomic names a geometry the clump does not have");
    }
    return a;
}

bool usable(const Vec3& p) {
    constexpr float kMax = model_limits::kMaxCoordinate;
    return std::abs(p.x) <= kMax && std::abs(p.y) <= kMax && std::abs(p.z) <= kMax;
}

// Appends the geometry, placed by its frame's matrix, to the mesh.
void place(const Geometry& g, const Affine& matrix, Mesh& mesh) {
    if (g.positions.size() > model_limits::kMaxMeshVertices - mesh.positions.size() ||
        g.triangles.size() > model_limits::kMaxMeshTriangles - mesh.triangles.size()) {
        invalidModel("its atomics ask for more than " +
                     std::to_string(model_limits::kMaxMeshTriangles) + " triangles or vertices");
    }
    const auto base = static_cast<std::uint32_t>(mesh.positions.size());
    for (const Vec3& p : g.positions) {
        const Vec3 placed = matrix.apply(p);
        if (!usable(placed)) {  // also false for NaN
            invalidModel("a vertex lies outside the model's space or is not a number");
        }
        mesh.positions.push_back(placed);
    }
    mesh.uvs.insert(mesh.uvs.end(), g.uvs.begin(), g.uvs.end());
    for (const auto& t : g.triangles) {
        mesh.triangles.push_back({t[0] + base, t[1] + base, t[2] + base});
    }
}

// A model that would show as nothing is refused with its reason: one whose vertices all lie
// in one place, or whose triangles all have two corners in one place or on one line.
void requireShape(const Mesh& mesh) {
    Vec3 lo = mesh.positions.front(), hi = lo;
    for (const Vec3& p : mesh.positions) {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
    if (std::max({hi.x - lo.x, hi.y - lo.y, hi.z - lo.z}) < model_limits::kMinExtent) {
        invalidModel("its vertices all lie within a millimetre of one another");
    }
    const auto hasArea = [&mesh](const std::array<std::uint32_t, 3>& t) {
        const Vec3& a = mesh.positions[t[0]];
        const Vec3& b = mesh.positions[t[1]];
        const Vec3& c = mesh.positions[t[2]];
        const double e1[3] = {double{b.x} - a.x, double{b.y} - a.y, double{b.z} - a.z};
        const double e2[3] = {double{c.x} - a.x, double{c.y} - a.y, double{c.z} - a.z};
        return e1[1] * e2[2] - e1[2] * e2[1] != 0 || e1[2] * e2[0] - e1[0] * e2[2] != 0 ||
               e1[0] * e2[1] - e1[1] * e2[0] != 0;
    };
    if (std::none_of(mesh.triangles.begin(), mesh.triangles.end(), hasArea)) {
        invalidModel("none of its triangles has any area");
    }
}

Mesh readClumpChunk(const rw::Chunk& clump) {
    Cursor c(clump.payload, "clump");
    Cursor header(c.chunk(rw::kStruct).payload, "clump");
    const std::uint32_t atomics = count(header, "atomics");
    c.needRecords(atomics, rw::kChunkHeaderBytes, "atomics");
    const std::vector<Frame> frames = readFrameList(c.find(rw::kFrameList));
    const std::vector<Geometry> geometries = readGeometryList(c.find(rw::kGeometryList));
    const std::vector<Affine> matrices = modelSpaceMatrices(frames);
    Mesh mesh;
    for (std::uint32_t i = 0; i < atomics; ++i) {
        const Atomic a = readAtomic(c.find(rw::kAtomic), frames.size(), geometries.size());
        place(geometries[a.geometry], matrices[a.frame], mesh);
    }
    if (mesh.triangles.empty()) {
        invalidModel("it holds no triangles");
    }
    requireShape(mesh);
    mesh.outward = outwardSides(mesh);
    return mesh;
}

}  // namespace

Mesh readClump(std::span<const std::uint8_t> file) {
    Cursor top(file, "file");
    return readClumpChunk(top.find(rw::kClump));
}

}  // namespace vestura
