#include "model/bin_mesh.h"

#include <string>

#include "model/model_errors.h"
#include "model/model_limits.h"

namespace vestura {

namespace {

using Triangles = std::vector<std::array<std::uint32_t, 3>>;

// The section's flags: the primitive of every mesh in it.
constexpr std::uint32_t kTriangleList = 0;
constexpr std::uint32_t kTriangleStrip = 1;

constexpr std::size_t kMeshHeaderBytes = 8;  // index count, material
constexpr std::size_t kIndexBytes = 4;

std::uint32_t index(rw::Cursor& c, std::uint32_t vertices) {
    const std::uint32_t i = c.u32();
    if (i >= vertices) {
        invalidModel("a bin mesh names a vertex the geometry does not have");
    }
    return i;
}

bool repeatsAVertex(const std::array<std::uint32_t, 3>& t) {
    return t[0] == t[1] || t[1] == t[2] || t[0] == t[2];
}

// Every index is read and checked, also the one or two a list leaves over.
void readList(rw::Cursor& c, std::uint32_t indices, std::uint32_t vertices, Triangles& out) {
    for (std::uint32_t i = 0; i + 3 <= indices; i += 3) {
        const std::uint32_t a = index(c, vertices), b = index(c, vertices);
        out.push_back({a, b, index(c, vertices)});
    }
    for (std::uint32_t i = indices - indices % 3; i < indices; ++i) {
        index(c, vertices);
    }
}

// Triangle k of a strip is (k, k+1, k+2) when k is even and (k, k+2, k+1) when it is odd,
// counted from the strip's start so the joins keep the turn of the triangles after them.
void readStrip(rw::Cursor& c, std::uint32_t indices, std::uint32_t vertices, Triangles& out) {
    std::uint32_t a = 0, b = 0;
    for (std::uint32_t k = 0; k < indices; ++k) {
        const std::uint32_t next = index(c, vertices);
        if (k >= 2) {
            const std::array<std::uint32_t, 3> t =
                k % 2 == 0 ? std::array{a, b, next} : std::array{a, next, b};
            if (!repeatsAVertex(t)) {
                out.push_back(t);
            }
        }
        a = b;
        b = next;
    }
}

// The most triangles a mesh of `indices` can give, degenerate ones included.
std::uint64_t mostTriangles(bool strip, std::uint32_t indices) {
    if (strip) {
        return indices >= 3 ? indices - 2 : 0;
    }
    return indices / 3;
}

}  // namespace

Triangles readBinMesh(rw::Span section, std::uint32_t vertices) {
    rw::Cursor c(section, "bin mesh");
    const std::uint32_t flags = c.u32();
    const std::uint32_t meshes = c.u32();
    c.u32();  // the meshes' index counts summed: each count is checked on its own instead
    if (flags != kTriangleList && flags != kTriangleStrip) {
        invalidModel("a bin mesh holds neither triangle lists nor triangle strips");
    }
    const bool strip = flags == kTriangleStrip;
    c.needRecords(meshes, kMeshHeaderBytes, "meshes");
    Triangles triangles;
    for (std::uint32_t m = 0; m < meshes; ++m) {
        const std::uint32_t indices = c.u32();
        c.u32();  // material
        c.needRecords(indices, kIndexBytes, "indices");
        // Checked before anything is added: no geometry can place more than the whole mesh
        // may hold, and a strip asks for nearly one triangle per 4 bytes of the file.
        if (mostTriangles(strip, indices) > model_limits::kMaxMeshTriangles - triangles.size()) {
            invalidModel("a bin mesh asks for more than " +
                         std::to_string(model_limits::kMaxMeshTriangles) + " triangles");
        }
        if (strip) {
            readStrip(c, indices, vertices, triangles);
        } else {
            readList(c, indices, vertices, triangles);
        }
    }
    return triangles;
}

}  // namespace vestura
