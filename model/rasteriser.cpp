#include "model/rasteriser.h"

#include <QThread>
#include <sys/mman.h>
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>
#include <system_error>
#include <thread>

#include "common/errors.h"
#include "common/messages.h"
#include "model/texel.h"

namespace vestura {

namespace {

// Zoom factors beyond these are held to them: screen coordinates then stay far inside the
// range of an int.
constexpr float kMinZoom = 1.0F / 64, kMaxZoom = 64.0F;
// Room around the bounding sphere, so the model never touches the picture's edge.
constexpr float kFitMargin = 1.08F;
// A model with no extent still gets a camera distance.
constexpr float kSmallestRadius = 1e-3F;
// Triangles thinner than this on screen cover no pixel centre worth drawing.
constexpr float kSmallestArea = 1e-8F;
// Pixel centres this close outside a triangle count as inside, so neighbours that share an
// edge leave no crack between them whatever the rounding of each row's span.
constexpr float kEdgeTolerance = 1e-3F;
// Depth buckets for drawing nearer triangles first (hidden pixels are then only tested).
constexpr std::size_t kDepthBuckets = 256;
// Fixed-point texel coordinates: 8 fraction bits for the bilinear weights.
constexpr int kFractionBits = 8;
constexpr int kOne = 1 << kFractionBits;
// A triangle whose texture coordinates span at most this many repeats, on a texture at most
// kFastTextureSide wide, is sampled in 32-bit fixed point without overflow; any other (a
// hostile file) takes the floating-point path.
constexpr float kFastUvSpan = 64.0F;
constexpr int kFastTextureSide = 8192;

using Texture = ViewRenderer::Texture;
using ScreenVertex = ViewRenderer::ScreenVertex;
using Box = ViewRenderer::Box;

float radians(float degrees) {
    return degrees * std::numbers::pi_v<float> / 180.0F;
}

struct Sphere {
    Vec3 centre;
    float radius = 0;
};

Sphere boundingSphere(const std::vector<Vec3>& points) {
    Vec3 lo = points.front(), hi = points.front();
    for (const Vec3& p : points) {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
    Sphere s{{(lo.x + hi.x) / 2, (lo.y + hi.y) / 2, (lo.z + hi.z) / 2}, 0};
    float farthest = 0;
    for (const Vec3& p : points) {
        const float dx = p.x - s.centre.x, dy = p.y - s.centre.y, dz = p.z - s.centre.z;
        farthest = std::max(farthest, dx * dx + dy * dy + dz * dz);
    }
    s.radius = std::max(std::sqrt(farthest), kSmallestRadius);
    return s;
}

// Model space to view space: turned about +Y by the yaw, tilted by the pitch, then moved
// away from the camera, which sits at the origin looking along +Z.
struct Camera {
    float cosYaw, sinYaw, cosPitch, sinPitch;
    Sphere sphere;
    float distance;
    float focal;  // pixels per unit of x / z
    float centreX, centreY;

    Camera(const Sphere& s, const ViewAngles& angles, QSize size) : sphere(s) {
        const float yaw = radians(std::isfinite(angles.yawDegrees) ? angles.yawDegrees : 0.0F);
        const float pitch = radians(std::isfinite(angles.pitchDegrees)
                                        ? std::clamp(angles.pitchDegrees, -kMaxPitchDegrees,
                                                     kMaxPitchDegrees)
                                        : 0.0F);
        cosYaw = std::cos(yaw);
        sinYaw = std::sin(yaw);
        cosPitch = std::cos(pitch);
        sinPitch = std::sin(pitch);
        const float half = radians(kFieldOfViewDegrees) / 2;
        distance = s.radius / std::sin(half) * kFitMargin;
        const float zoom = std::isfinite(angles.zoom) ? std::clamp(angles.zoom, kMinZoom, kMaxZoom) : 1.0F;
        focal = static_cast<float>(std::min(size.width(), size.height())) / 2 / std::tan(half) * zoom;
        centreX = static_cast<float>(size.width()) / 2;
        centreY = static_cast<float>(size.height()) / 2;
    }

    Vec3 toView(const Vec3& p) const {
        const float x = p.x - sphere.centre.x, y = p.y - sphere.centre.y, z = p.z - sphere.centre.z;
        const float x1 = x * cosYaw + z * sinYaw;
        const float z1 = z * cosYaw - x * sinYaw;
        const float y2 = y * cosPitch + z1 * sinPitch;
        const float z2 = z1 * cosPitch - y * sinPitch;
        return {x1, y2, z2 + distance};
    }
};

// A float held within [lo, hi]; not a number becomes lo. Every float turned into an integer
// passes through here, so no conversion can overflow.
float held(float value, float lo, float hi) {
    return std::min(std::max(lo, value), hi);
}

// Rounding down and up without a library call (the processors' base instruction set has no
// rounding instruction): truncation rounds down at or above 0. Both take values held within
// [0, 2^31).
int floorOfNonNegative(float v) {
    return static_cast<int>(v);
}
int ceilOfNonNegative(float v) {
    const int t = static_cast<int>(v);
    return t + (static_cast<float>(t) < v ? 1 : 0);
}

// The same for any float; beyond 2^23 every float is whole already.
float floorOf(float v) {
    constexpr float kWhole = 8388608.0F;
    if (!(std::abs(v) < kWhole)) {
        return v;
    }
    const auto t = static_cast<float>(static_cast<int>(v));
    return t > v ? t - 1 : t;
}

int wrap(int i, int n, bool powerOfTwo) {
    if (powerOfTwo) {
        return i & (n - 1);
    }
    if (static_cast<unsigned>(i) < static_cast<unsigned>(n)) {
        return i;  // within the texture, as nearly every texel is: no division
    }
    return ((i % n) + n) % n;
}

// Bilinear at fixed-point texel coordinates (texel centres at whole numbers), repeating,
// lit. On a texture whose sides are powers of two wrapping is a mask; the texels are the
// same either way.
template <bool kMasked>
QRgb shadeFixed(const Texture& t, int x, int y, std::uint32_t light) {
    int x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    if constexpr (kMasked) {
        const int wMask = t.width - 1, hMask = t.height - 1;
        x0 = (x >> kFractionBits) & wMask;
        x1 = (x0 + 1) & wMask;
        y0 = (y >> kFractionBits) & hMask;
        y1 = (y0 + 1) & hMask;
    } else {
        x0 = wrap(x >> kFractionBits, t.width, t.powerOfTwo);
        y0 = wrap(y >> kFractionBits, t.height, t.powerOfTwo);
        x1 = x0 + 1 == t.width ? 0 : x0 + 1;
        y1 = y0 + 1 == t.height ? 0 : y0 + 1;
    }
    const auto fx = static_cast<std::uint32_t>(x & (kOne - 1));
    const auto fy = static_cast<std::uint32_t>(y & (kOne - 1));
    const QRgb* row0 = t.pixels + static_cast<std::ptrdiff_t>(y0) * t.width;
    const QRgb* row1 = t.pixels + static_cast<std::ptrdiff_t>(y1) * t.width;
    return texel::bilinearLit(row0[x0], row0[x1], row1[x0], row1[x1], fx, fy, light);
}

// The same at any coordinates: taken into [0, 1) first.
QRgb shadeAny(const Texture& t, float u, float v, std::uint32_t light) {
    constexpr float kRepeats = 1e6F;  // beyond this a float has no fraction left to show
    u = held(u, -kRepeats, kRepeats);
    v = held(v, -kRepeats, kRepeats);
    u -= floorOf(u);
    v -= floorOf(v);
    return shadeFixed<false>(t, static_cast<int>(u * static_cast<float>(t.width * kOne)) - kOne / 2,
                             static_cast<int>(v * static_cast<float>(t.height * kOne)) - kOne / 2,
                             light);
}

// The triangle's normal (b - a) x (c - a), not made unit length.
Vec3 normal(const Vec3& a, const Vec3& b, const Vec3& c) {
    const Vec3 e1{b.x - a.x, b.y - a.y, b.z - a.z}, e2{c.x - a.x, c.y - a.y, c.z - a.z};
    return {e1.y * e2.z - e1.z * e2.y, e1.z * e2.x - e1.x * e2.z, e1.x * e2.y - e1.y * e2.x};
}

// Flat two-sided light: the ambient part plus the part of a light from the viewer that
// falls on the face, whichever side of it is seen.
std::uint32_t faceLight(const Vec3& a, const Vec3& b, const Vec3& c) {
    const Vec3 n = normal(a, b, c);
    const float length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    const float facing = length > 0 ? std::abs(n.z) / length : 1.0F;
    const float light = kAmbientLight + (1.0F - kAmbientLight) * facing;
    return static_cast<std::uint32_t>(std::min(light, 1.0F) * kOne + 0.5F);
}

// Whether the viewer, at the origin of view space, sees the side of the triangle opposite to
// `outward` (+1: the side its normal (b - a) x (c - a) points to). Only a triangle clearly
// turned away counts: one seen nearly edge-on is drawn, whatever the rounding.
bool innerSideTurnedToViewer(const Vec3& a, const Vec3& b, const Vec3& c, int outward) {
    constexpr float kClearly = 1e-4F;  // of the largest the product could be
    const Vec3 n = normal(a, b, c);
    const float towardViewer = -(n.x * a.x + n.y * a.y + n.z * a.z) * static_cast<float>(outward);
    const float scale = std::sqrt((n.x * n.x + n.y * n.y + n.z * n.z) * (a.x * a.x + a.y * a.y + a.z * a.z));
    return towardViewer < -kClearly * scale;
}

// A value interpolated linearly across the screen: value = dx * x + dy * y + at0.
struct Plane {
    float dx, dy, at0;
    float at(float x, float y) const { return dx * x + dy * y + at0; }
};

// One triangle on screen, ready to fill: 1/z, u/z and v/z (u, v in texels, fixed point)
// as planes, and the three edges, each positive inside.
struct Setup {
    Plane invZ, uz, vz, edge[3];
    int x0, y0, x1, y1;  // bounding box, end exclusive
    bool fast;           // fixed-point texel coordinates cannot overflow
    float uLimit, vLimit;  // the largest fixed-point texel coordinates of the triangle
    float uShift, vShift;  // whole repeats taken off the texture coordinates
    std::uint32_t light;
};

struct Corner {
    float x, y, invZ, u, v;
};

Plane planeThrough(const Corner (&c)[3], const float (&value)[3], float invArea) {
    const float dx = ((value[1] - value[0]) * (c[2].y - c[0].y) -
                      (value[2] - value[0]) * (c[1].y - c[0].y)) * invArea;
    const float dy = ((value[2] - value[0]) * (c[1].x - c[0].x) -
                      (value[1] - value[0]) * (c[2].x - c[0].x)) * invArea;
    return {dx, dy, value[0] - dx * c[0].x - dy * c[0].y};
}

// The pixels a triangle's corners span, held to a width x height picture, end exclusive.
// False when that is nothing (or a corner is not a number).
bool screenBox(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c, int width,
               int height, Box& box) {
    const auto w = static_cast<float>(width), h = static_cast<float>(height);
    box = {floorOfNonNegative(held(std::min({a.x, b.x, c.x}), 0, w)),
           floorOfNonNegative(held(std::min({a.y, b.y, c.y}), 0, h)),
           ceilOfNonNegative(held(std::max({a.x, b.x, c.x}), 0, w)),
           ceilOfNonNegative(held(std::max({a.y, b.y, c.y}), 0, h))};
    return box.x0 < box.x1 && box.y0 < box.y1;
}

// False when the triangle is too thin to cover a pixel centre.
bool setUp(const Corner (&c)[3], const Texture& t, const Box& box, Setup& s) {
    const float area = (c[1].x - c[0].x) * (c[2].y - c[0].y) - (c[2].x - c[0].x) * (c[1].y - c[0].y);
    if (!(std::abs(area) > kSmallestArea)) {
        return false;
    }
    s.x0 = box.x0;
    s.x1 = box.x1;
    s.y0 = box.y0;
    s.y1 = box.y1;
    const float sign = area > 0 ? 1.0F : -1.0F;
    for (int i = 0; i < 3; ++i) {
        const Corner& p = c[(i + 1) % 3];
        const Corner& q = c[(i + 2) % 3];
        s.edge[i] = {(p.y - q.y) * sign, (q.x - p.x) * sign, (p.x * q.y - p.y * q.x) * sign};
    }
    s.uShift = floorOf(std::min({c[0].u, c[1].u, c[2].u}));
    s.vShift = floorOf(std::min({c[0].v, c[1].v, c[2].v}));
    s.fast = std::max({c[0].u, c[1].u, c[2].u}) - s.uShift <= kFastUvSpan &&
             std::max({c[0].v, c[1].v, c[2].v}) - s.vShift <= kFastUvSpan &&
             t.width <= kFastTextureSide && t.height <= kFastTextureSide;
    const float invArea = 1.0F / area;
    const float scaleU = s.fast ? static_cast<float>(t.width * kOne) : 1.0F;
    const float scaleV = s.fast ? static_cast<float>(t.height * kOne) : 1.0F;
    s.uLimit = (kFastUvSpan + 1) * scaleU;
    s.vLimit = (kFastUvSpan + 1) * scaleV;
    const float iz[3] = {c[0].invZ, c[1].invZ, c[2].invZ};
    float uz[3], vz[3];
    for (int i = 0; i < 3; ++i) {
        uz[i] = (c[i].u - s.uShift) * scaleU * c[i].invZ;
        vz[i] = (c[i].v - s.vShift) * scaleV * c[i].invZ;
    }
    s.invZ = planeThrough(c, iz, invArea);
    s.uz = planeThrough(c, uz, invArea);
    s.vz = planeThrough(c, vz, invArea);
    return true;
}

// Where each edge crosses a row: a bound on the pixel index there, linear in the row's
// centre, so a row costs a few multiplications and comparisons and no branch. Every row's
// bounds come from its own index, never from the rows above, so a row is drawn the same
// whichever band draws it. An edge that bounds nothing on a side holds an unreachable bound;
// an edge along the rows cuts the triangle's rows instead, once.
struct EdgeBounds {
    // The edges of a triangle have normals summing to zero, so at most two bound each side:
    // first >= lowerAt0 + lowerStep * (y + 0.5), last <= upperAt0 + upperStep * (y + 0.5).
    float lowerAt0[2], upperAt0[2];
    float lowerStep[2], upperStep[2];
    float left, right;  // the box's columns
};

constexpr float kNoBound = 1e9F;  // beyond any picture side

// False when no row is left.
bool edgeBounds(Setup& s, EdgeBounds& b) {
    b = {{-kNoBound, -kNoBound}, {kNoBound, kNoBound}, {0, 0}, {0, 0},
         static_cast<float>(s.x0), static_cast<float>(s.x1)};
    int lowers = 0, uppers = 0;
    for (const Plane& e : s.edge) {
        if (e.dx != 0) {
            // Inside where dx * (x + 0.5) + dy * (y + 0.5) + at0 >= -tolerance.
            const float at0 = -(e.at0 + kEdgeTolerance) / e.dx - 0.5F;
            const float step = -e.dy / e.dx;
            if (e.dx > 0 && lowers < 2) {
                b.lowerAt0[lowers] = at0;
                b.lowerStep[lowers++] = step;
            } else if (e.dx < 0 && uppers < 2) {
                b.upperAt0[uppers] = at0 + 1;
                b.upperStep[uppers++] = step;
            }
        } else if (e.dy != 0) {
            // Inside where dy * (y + 0.5) + at0 >= -tolerance.
            const float row = -(e.at0 + kEdgeTolerance) / e.dy - 0.5F;
            const float heldRow = held(row, -1.0F, static_cast<float>(s.y1));
            if (e.dy > 0) {
                s.y0 = std::max(s.y0, ceilOfNonNegative(heldRow + 1) - 1);
            } else {
                s.y1 = std::min(s.y1, floorOfNonNegative(heldRow + 1));
            }
        } else if (e.at0 + kEdgeTolerance < 0) {
            return false;
        }
    }
    return s.y0 < s.y1;
}

// The pixels [first, last) of row y whose centres lie inside all three edges. Both ends are
// held to the box before converting.
inline void rowSpan(const EdgeBounds& b, int y, int& first, int& last) {
    const float py = static_cast<float>(y) + 0.5F;
    const float lo = std::min(std::max({b.left, b.lowerAt0[0] + b.lowerStep[0] * py,
                                        b.lowerAt0[1] + b.lowerStep[1] * py}),
                              b.right);
    const float hi = std::max(std::min({b.right, b.upperAt0[0] + b.upperStep[0] * py,
                                        b.upperAt0[1] + b.upperStep[1] * py}),
                              lo);
    // Both lie in [x0, x1] and x0 >= 0.
    first = ceilOfNonNegative(lo);
    last = std::max(first, floorOfNonNegative(hi));
}

// 1/z, u/z and v/z at the centre of pixel 0 of row y.
struct RowStart {
    float iz, uz, vz;

    RowStart(const Setup& s, int y) {
        const float py = static_cast<float>(y) + 0.5F;
        iz = s.invZ.at(0.5F, py);
        uz = s.uz.at(0.5F, py);
        vz = s.vz.at(0.5F, py);
    }
};

// Floating-point texture coordinates at every pixel: any coordinates, any texture.
void fillSpanAny(const Setup& s, const Texture& t, const RowStart& start, int first, int last,
                 QRgb* row, float* depth) {
    const auto f = static_cast<float>(first);
    float iz = start.iz + s.invZ.dx * f, uz = start.uz + s.uz.dx * f, vz = start.vz + s.vz.dx * f;
    for (int x = first; x < last; ++x, iz += s.invZ.dx, uz += s.uz.dx, vz += s.vz.dx) {
        if (!(iz > depth[x])) {
            continue;
        }
        depth[x] = iz;
        const float z = 1.0F / iz;
        row[x] = shadeAny(t, uz * z + s.uShift, vz * z + s.vShift, s.light);
    }
}

// Fixed-point texel coordinates at one pixel, exact (perspective-correct). Within the
// triangle they lie inside the limits; a pixel just outside a sliver may extrapolate far,
// and is held to them.
struct TexelPoint {
    int u, v;
    TexelPoint(const Setup& s, float iz, float uz, float vz) {
        const float z = 1.0F / iz;
        u = static_cast<int>(held(uz * z, 0, s.uLimit)) - kOne / 2;
        v = static_cast<int>(held(vz * z, 0, s.vLimit)) - kOne / 2;
    }
};

// One division per pixel that passes the depth test: the model's triangles span a few
// pixels each, so stepping linearly between exact points would cost more than it saves.
template <bool kMasked>
void fillSpanFixed(const Setup& s, const Texture& t, const RowStart& start, int first, int last,
                   QRgb* row, float* depth) {
    const auto f = static_cast<float>(first);
    float iz = start.iz + s.invZ.dx * f, uz = start.uz + s.uz.dx * f, vz = start.vz + s.vz.dx * f;
    for (int x = first; x < last; ++x, iz += s.invZ.dx, uz += s.uz.dx, vz += s.vz.dx) {
        if (iz > depth[x]) {
            depth[x] = iz;
            const TexelPoint p(s, iz, uz, vz);
            row[x] = shadeFixed<kMasked>(t, p.u, p.v, s.light);
        }
    }
}

// Every row of a set-up triangle, one sampling path for all of them.
enum class Sampling : std::uint8_t { Any, Fixed, Masked };

template <Sampling kSampling>
void fillRows(const Setup& s, const EdgeBounds& bounds, const Texture& texture, QRgb* pixels,
              std::ptrdiff_t stride, float* depth, int width) {
    for (int y = s.y0; y < s.y1; ++y) {
        const RowStart start(s, y);
        int first = 0, last = 0;
        rowSpan(bounds, y, first, last);
        QRgb* row = pixels + y * stride;
        float* depthRow = depth + static_cast<std::ptrdiff_t>(y) * width;
        if constexpr (kSampling == Sampling::Any) {
            fillSpanAny(s, texture, start, first, last, row, depthRow);
        } else {
            fillSpanFixed<kSampling == Sampling::Masked>(s, texture, start, first, last, row, depthRow);
        }
    }
}

}  // namespace

void ViewRenderer::project(const Mesh& mesh, const ViewAngles& angles, QSize size) {
    const Camera camera(boundingSphere(mesh.positions), angles, size);
    view_.resize(mesh.positions.size());
    screen_.resize(mesh.positions.size());
    for (std::size_t i = 0; i < view_.size(); ++i) {
        const Vec3 p = camera.toView(mesh.positions[i]);
        const float invZ = 1.0F / p.z;
        view_[i] = p;
        // The viewer's right is the model's -X: the picture's x grows against view x.
        screen_[i] = {camera.centreX - camera.focal * p.x * invZ,
                      camera.centreY - camera.focal * p.y * invZ, invZ};
    }
}

// Nearer triangles first, by the depth of their first corner in coarse buckets: what they
// hide is then only depth-tested, never shaded. Ties keep the file's order.
void ViewRenderer::orderFrontToBack(const Mesh& mesh) {
    float nearest = view_.front().z, farthest = nearest;
    for (const Vec3& p : view_) {
        nearest = std::min(nearest, p.z);
        farthest = std::max(farthest, p.z);
    }
    const float scale = farthest > nearest ? (kDepthBuckets - 1) / (farthest - nearest) : 0.0F;
    const auto bucketOf = [&](const std::array<std::uint32_t, 3>& t) {
        return static_cast<std::size_t>((view_[t[0]].z - nearest) * scale);
    };
    buckets_.assign(kDepthBuckets + 1, 0);
    for (const auto& t : mesh.triangles) {
        ++buckets_[bucketOf(t) + 1];
    }
    for (std::size_t b = 1; b <= kDepthBuckets; ++b) {
        buckets_[b] += buckets_[b - 1];
    }
    order_.resize(mesh.triangles.size());
    for (std::size_t i = 0; i < mesh.triangles.size(); ++i) {
        order_[buckets_[bucketOf(mesh.triangles[i])]++] = static_cast<std::uint32_t>(i);
    }
}

// Asks for a large block, not yet touched, to be backed by large pages where the system
// offers them: a 4096 x 4096 picture otherwise takes 16,384 page faults to fill.
void inLargePages(void* block, std::size_t bytes) {
#if defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t kLarge = std::uintptr_t{2} << 20;
    const auto begin = (reinterpret_cast<std::uintptr_t>(block) + kLarge - 1) & ~(kLarge - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(block) + bytes) & ~(kLarge - 1);
    if (begin < end) {
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);  // a hint only
    }
#else
    (void)block;
    (void)bytes;
#endif
}

// Keeps, in drawing order, the triangles that can show in the picture and whose boxes
// together fit the fill budget, and notes each one's box. A triangle of a closed surface
// that turns its inner side to the viewer is hidden and left out. Past the budget whole
// triangles are left out, the same ones however the picture is cut into bands.
void ViewRenderer::holdToBudget(const Mesh& mesh, QSize size) {
    std::int64_t left = fillBudget_;
    partial_ = false;
    boxes_.clear();
    Box drawn{size.width(), size.height(), 0, 0};
    std::size_t kept = 0;
    const bool closedSurfaces = mesh.outward.size() == mesh.triangles.size();
    for (const std::uint32_t index : order_) {
        const auto& t = mesh.triangles[index];
        if (closedSurfaces && mesh.outward[index] != 0 &&
            innerSideTurnedToViewer(view_[t[0]], view_[t[1]], view_[t[2]], mesh.outward[index])) {
            continue;
        }
        Box box;
        if (!screenBox(screen_[t[0]], screen_[t[1]], screen_[t[2]], size.width(), size.height(), box)) {
            continue;
        }
        const std::int64_t cost = std::int64_t{box.x1 - box.x0} * (box.y1 - box.y0);
        if (cost > left) {
            partial_ = true;
            break;
        }
        left -= cost;
        workDone_ += cost;
        order_[kept++] = index;
        boxes_.push_back(box);
        drawn = {std::min(drawn.x0, box.x0), std::min(drawn.y0, box.y0), std::max(drawn.x1, box.x1),
                 std::max(drawn.y1, box.y1)};
    }
    order_.resize(kept);
    drawn_ = kept == 0 ? QRect() : QRect(drawn.x0, drawn.y0, drawn.x1 - drawn.x0, drawn.y1 - drawn.y0);
}

// Cuts the rows the model covers into like bands, and hands each band, in drawing order,
// the triangles whose boxes reach into it: a band then visits only its own.
void ViewRenderer::shareOut(QSize size) {
    const int height = size.height();
    const int from = drawn_.isEmpty() ? 0 : drawn_.top();
    const int rows = drawn_.isEmpty() ? height : drawn_.height();
    bandTops_.resize(static_cast<std::size_t>(bands_) + 1);
    for (int band = 0; band <= bands_; ++band) {
        bandTops_[static_cast<std::size_t>(band)] =
            band == 0 ? 0 : band == bands_ ? height : from + rows * band / bands_;
    }
    bandTriangles_.resize(static_cast<std::size_t>(bands_));
    for (auto& list : bandTriangles_) {
        list.clear();
    }
    for (std::size_t kept = 0; kept < boxes_.size(); ++kept) {
        for (std::size_t band = 0; band < bandTriangles_.size(); ++band) {
            if (boxes_[kept].y1 > bandTops_[band] && boxes_[kept].y0 < bandTops_[band + 1]) {
                bandTriangles_[band].push_back(static_cast<std::uint32_t>(kept));
            }
        }
    }
}

void ViewRenderer::newDepth(QSize size) {
    depth_.reset();
    depthSize_ = {};
    const std::size_t pixels = static_cast<std::size_t>(size.width()) * static_cast<std::size_t>(size.height());
    // calloc: a large zeroed block comes straight from the system, untouched until drawn on.
    depth_.reset(static_cast<float*>(std::calloc(pixels, sizeof(float))));
    inLargePages(depth_.get(), pixels * sizeof(float));
    if (!depth_) {
        throw EOutOfResources(std::string(msg::kOutOfMemory));
    }
    depthSize_ = size;
    dirty_ = {};
}

// Fills the triangles, in order, on the rows [top, bottom): one band of the picture. Bands
// share no pixel, so they are drawn at the same time. Depth 0 (all bits clear) is farther
// than anything drawn; only what the last picture wrote is cleared.
void ViewRenderer::drawBand(const Mesh& mesh, const Texture& texture, int band) {
    const int top = bandTops_[static_cast<std::size_t>(band)];
    const int bottom = bandTops_[static_cast<std::size_t>(band) + 1];
    const int width = picture_.width();
    const auto stride = static_cast<std::ptrdiff_t>(picture_.bytesPerLine() / sizeof(QRgb));
    auto* pixels = reinterpret_cast<QRgb*>(bits_);
    std::fill(pixels + top * stride, pixels + bottom * stride, kViewBackground);
    for (int y = std::max(top, dirty_.top()); y < std::min(bottom, dirty_.bottom() + 1); ++y) {
        float* row = depth_.get() + static_cast<std::ptrdiff_t>(y) * width;
        std::fill(row + dirty_.left(), row + dirty_.right() + 1, 0.0F);
    }

    for (const std::uint32_t kept : bandTriangles_[static_cast<std::size_t>(band)]) {
        const auto& t = mesh.triangles[order_[kept]];
        Box box = boxes_[kept];
        box.y0 = std::max(box.y0, top);
        box.y1 = std::min(box.y1, bottom);
        Corner c[3];
        for (int k = 0; k < 3; ++k) {
            const ScreenVertex& v = screen_[t[k]];
            c[k] = {v.x, v.y, v.invZ, mesh.uvs[t[k]].u, mesh.uvs[t[k]].v};
        }
        Setup s;
        EdgeBounds bounds;
        if (!setUp(c, texture, box, s) || !edgeBounds(s, bounds)) {
            continue;
        }
        s.light = faceLight(view_[t[0]], view_[t[1]], view_[t[2]]);
        if (!s.fast) {
            fillRows<Sampling::Any>(s, bounds, texture, pixels, stride, depth_.get(), width);
        } else if (texture.powerOfTwo) {
            fillRows<Sampling::Masked>(s, bounds, texture, pixels, stride, depth_.get(), width);
        } else {
            fillRows<Sampling::Fixed>(s, bounds, texture, pixels, stride, depth_.get(), width);
        }
    }
}

// Band 0 on this thread, each other band on a thread of its own, started for this picture.
// A thread the system does not give (its limit of threads, or of memory for a stack, is
// reached) is not waited for: its band is drawn here.
void ViewRenderer::drawBands(const Mesh& mesh, const Texture& texture) {
    std::array<std::jthread, kMaxBands> helpers;  // each joined when it goes
    std::array<bool, kMaxBands> drawnHere{};
    for (int band = 1; band < bands_; ++band) {
        const auto at = static_cast<std::size_t>(band);
        try {
            helpers[at] = std::jthread([this, &mesh, &texture, band] { drawBand(mesh, texture, band); });
        } catch (const std::system_error&) {
            drawnHere[at] = true;
        }
    }
    drawBand(mesh, texture, 0);
    for (int band = 1; band < bands_; ++band) {
        if (drawnHere[static_cast<std::size_t>(band)]) {
            drawBand(mesh, texture, band);
        }
    }
}

ViewRenderer::ViewRenderer(int bands, std::int64_t fillBudget)
    : fillBudget_(fillBudget),
      bands_(std::clamp(bands > 0 ? bands : QThread::idealThreadCount(), 1, kMaxBands)) {}

const QImage& ViewRenderer::render(const Mesh& mesh, const QImage& skin, const ViewAngles& angles,
                                   QSize size) {
    size = size.boundedTo({kMaxViewSide, kMaxViewSide}).expandedTo({1, 1});
    if (picture_.size() != size) {
        picture_ = QImage(size, QImage::Format_RGB32);
        inLargePages(picture_.bits(), static_cast<std::size_t>(picture_.sizeInBytes()));
        if (picture_.isNull()) {
            throw EOutOfResources(std::string(msg::kOutOfMemory));
        }
    }
    partial_ = false;
    const QImage texels = skin.convertToFormat(QImage::Format_RGB32);
    if (mesh.positions.empty() || texels.isNull()) {
        picture_.fill(kViewBackground);
        return picture_;
    }
    workDone_ += static_cast<std::int64_t>(mesh.triangles.size()) * kTriangleWork;
    project(mesh, angles, size);
    orderFrontToBack(mesh);
    holdToBudget(mesh, size);
    if (depthSize_ != size) {
        newDepth(size);
    }
    bits_ = picture_.bits();  // detached here, once, before the bands write to it
    const int tw = texels.width(), th = texels.height();
    const Texture texture{reinterpret_cast<const QRgb*>(texels.constBits()), tw, th,
                          (tw & (tw - 1)) == 0 && (th & (th - 1)) == 0};
    shareOut(size);
    drawBands(mesh, texture);
    dirty_ = drawn_;
    if (batch_) {
        checkBatch();
    }
    return picture_;
}

void ViewRenderer::checkBatch() {
    ++batchDrawn_;
    const std::int64_t fit = viewsWithinBatchWork(workDone_, batchDrawn_);
    if (fit >= batch_->views) {
        return;
    }
    throw EBatchWork(std::string(batch_->name) +
                     " asks for more drawing than one allows: with this player model, at most " +
                     std::to_string(fit / std::max<std::int64_t>(batch_->viewsPerUnit, 1)) + ' ' +
                     std::string(batch_->units));
}

std::int64_t viewsWithinBatchWork(std::int64_t work, std::int64_t drawn) {
    if (work <= 0 || drawn <= 0) {
        return std::numeric_limits<std::int64_t>::max();
    }
    // kBatchWork x drawn / work, in double: the product could pass 64 bits.
    return static_cast<std::int64_t>(static_cast<double>(kBatchWork) * static_cast<double>(drawn) /
                                     static_cast<double>(work));
}

QImage renderView(const Mesh& mesh, const QImage& skin, const ViewAngles& angles, QSize size) {
    ViewRenderer renderer;
    return renderer.render(mesh, skin, angles, size);
}

}  // namespace vestura
