#include "model/closed_surfaces.h"

#include <algorithm>
#include <array>
#include <bit>
#include <numeric>

namespace vestura {

namespace {

using Key = std::array<std::uint32_t, 3>;

Key keyOf(const Vec3& p) {
    // +0 and -0 are the same place.
    const auto bits = [](float f) { return std::bit_cast<std::uint32_t>(f == 0 ? 0.0F : f); };
    return {bits(p.x), bits(p.y), bits(p.z)};
}

// The same number for every vertex at one position.
std::vector<std::uint32_t> welded(const std::vector<Vec3>& positions) {
    std::vector<std::uint32_t> byPlace(positions.size());
    std::iota(byPlace.begin(), byPlace.end(), 0U);
    std::sort(byPlace.begin(), byPlace.end(), [&](std::uint32_t a, std::uint32_t b) {
        return keyOf(positions[a]) < keyOf(positions[b]);
    });
    std::vector<std::uint32_t> id(positions.size());
    std::uint32_t next = 0;
    for (std::size_t i = 0; i < byPlace.size(); ++i) {
        if (i > 0 && keyOf(positions[byPlace[i]]) != keyOf(positions[byPlace[i - 1]])) {
            ++next;
        }
        id[byPlace[i]] = next;
    }
    return id;
}

struct Edge {
    std::uint32_t low, high;  // welded vertices
    std::uint32_t triangle;
    bool rising;  // runs from low to high
};

class Components {
public:
    explicit Components(std::size_t n) : parent_(n) { std::iota(parent_.begin(), parent_.end(), 0U); }
    std::uint32_t root(std::uint32_t i) {
        while (parent_[i] != i) {
            parent_[i] = parent_[parent_[i]];
            i = parent_[i];
        }
        return i;
    }
    void join(std::uint32_t a, std::uint32_t b) { parent_[root(a)] = root(b); }

private:
    std::vector<std::uint32_t> parent_;
};

// Six times the signed volume the triangle and the origin enclose.
double volume(const Vec3& a, const Vec3& b, const Vec3& c) {
    const double cx = double{b.y} * c.z - double{b.z} * c.y;
    const double cy = double{b.z} * c.x - double{b.x} * c.z;
    const double cz = double{b.x} * c.y - double{b.y} * c.x;
    return a.x * cx + a.y * cy + a.z * cz;
}

}  // namespace

std::vector<std::int8_t> outwardSides(const Mesh& mesh) {
    const std::size_t n = mesh.triangles.size();
    std::vector<std::int8_t> sides(n, 0);
    if (n == 0 || n > kMaxExaminedTriangles || mesh.positions.size() > kMaxExaminedVertices) {
        return sides;
    }
    const std::vector<std::uint32_t> id = welded(mesh.positions);
    std::vector<Edge> edges;
    edges.reserve(3 * n);
    std::vector<bool> open(n, false);
    for (std::uint32_t t = 0; t < n; ++t) {
        const auto& tri = mesh.triangles[t];
        const std::uint32_t v[3] = {id[tri[0]], id[tri[1]], id[tri[2]]};
        if (v[0] == v[1] || v[1] == v[2] || v[2] == v[0]) {
            open[t] = true;  // two corners in one place: no area, and no part of a surface
            continue;
        }
        for (int i = 0; i < 3; ++i) {
            const std::uint32_t from = v[i], to = v[(i + 1) % 3];
            edges.push_back({std::min(from, to), std::max(from, to), t, from < to});
        }
    }
    std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) {
        return a.low != b.low ? a.low < b.low : a.high < b.high;
    });
    Components components(n);
    for (std::size_t i = 0; i < edges.size();) {
        std::size_t end = i + 1;
        while (end < edges.size() && edges[end].low == edges[i].low && edges[end].high == edges[i].high) {
            ++end;
        }
        if (end - i == 2 && edges[i].rising != edges[i + 1].rising) {
            components.join(edges[i].triangle, edges[i + 1].triangle);
        } else {
            for (std::size_t k = i; k < end; ++k) {
                open[edges[k].triangle] = true;
            }
        }
        i = end;
    }
    // A component is closed when none of its triangles is open; its volume's sign tells
    // which way its triangles turn.
    std::vector<bool> componentOpen(n, false);
    std::vector<double> componentVolume(n, 0.0);
    for (std::uint32_t t = 0; t < n; ++t) {
        const std::uint32_t r = components.root(t);
        componentOpen[r] = componentOpen[r] || open[t];
        const auto& tri = mesh.triangles[t];
        componentVolume[r] += volume(mesh.positions[tri[0]], mesh.positions[tri[1]], mesh.positions[tri[2]]);
    }
    for (std::uint32_t t = 0; t < n; ++t) {
        const std::uint32_t r = components.root(t);
        if (!componentOpen[r] && componentVolume[r] != 0) {
            sides[t] = componentVolume[r] > 0 ? 1 : -1;
        }
    }
    return sides;
}

}  // namespace vestura
