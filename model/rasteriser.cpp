#include "model/rasteriser.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "common/errors.h"
#include "common/messages.h"

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

int wrap(int i, int n, bool powerOfTwo) {
    return powerOfTwo ? (i & (n - 1)) : ((i % n) + n) % n;
}

// Fill work is taken from the shared budget this much at a time, so the bands seldom touch
// the shared counter (it would otherwise bounce between their processors every triangle).
constexpr std::int64_t kBudgetChunk = std::int64_t{1} << 16;

QRgb lerp(QRgb a, QRgb b, std::uint32_t t) {  // t in 0..256
    const std::uint32_t rb = ((a & 0xFF00FF) * (kOne - t) + (b & 0xFF00FF) * t) >> kFractionBits;
    const std::uint32_t g = ((a & 0x00FF00) * (kOne - t) + (b & 0x00FF00) * t) >> kFractionBits;
    return (rb & 0xFF00FF) | (g & 0x00FF00);
}

// Bilinear at fixed-point texel coordinates on a texture whose sides are powers of two:
// wrapping is a mask, and the same texels as sampleFixed's.
inline QRgb sampleMasked(const Texture& t, int x, int y) {
    const int wMask = t.width - 1, hMask = t.height - 1;
    const int x0 = (x >> kFractionBits) & wMask, x1 = (x0 + 1) & wMask;
    const int y0 = (y >> kFractionBits) & hMask, y1 = (y0 + 1) & hMask;
    const auto fx = static_cast<std::uint32_t>(x & (kOne - 1));
    const auto fy = static_cast<std::uint32_t>(y & (kOne - 1));
    const QRgb* row0 = t.pixels + static_cast<std::ptrdiff_t>(y0) * t.width;
    const QRgb* row1 = t.pixels + static_cast<std::ptrdiff_t>(y1) * t.width;
    return lerp(lerp(row0[x0], row0[x1], fx), lerp(row1[x0], row1[x1], fx), fy);
}

// Bilinear at fixed-point texel coordinates (texel centres at whole numbers), repeating.
QRgb sampleFixed(const Texture& t, int x, int y) {
    const int x0 = wrap(x >> kFractionBits, t.width, t.powerOfTwo);
    const int y0 = wrap(y >> kFractionBits, t.height, t.powerOfTwo);
    const int x1 = x0 + 1 == t.width ? 0 : x0 + 1;
    const int y1 = y0 + 1 == t.height ? 0 : y0 + 1;
    const auto fx = static_cast<std::uint32_t>(x & (kOne - 1));
    const auto fy = static_cast<std::uint32_t>(y & (kOne - 1));
    const QRgb* row0 = t.pixels + static_cast<std::ptrdiff_t>(y0) * t.width;
    const QRgb* row1 = t.pixels + static_cast<std::ptrdiff_t>(y1) * t.width;
    return lerp(lerp(row0[x0], row0[x1], fx), lerp(row1[x0], row1[x1], fx), fy);
}

// A float held within [lo, hi]; not a number becomes lo. Every float turned into an integer
// passes through here, so no conversion can overflow.
float held(float value, float lo, float hi) {
    return std::min(std::max(lo, value), hi);
}

// The same for any coordinates: taken into [0, 1) first.
QRgb sampleAny(const Texture& t, float u, float v) {
    constexpr float kRepeats = 1e6F;  // beyond this a float has no fraction left to show
    u = held(u, -kRepeats, kRepeats);
    v = held(v, -kRepeats, kRepeats);
    u -= std::floor(u);
    v -= std::floor(v);
    return sampleFixed(t, static_cast<int>(u * static_cast<float>(t.width * kOne)) - kOne / 2,
                       static_cast<int>(v * static_cast<float>(t.height * kOne)) - kOne / 2);
}

QRgb lit(QRgb c, std::uint32_t light) {  // light in 0..256
    const std::uint32_t rb = ((c & 0xFF00FF) * light >> kFractionBits) & 0xFF00FF;
    const std::uint32_t g = ((c & 0x00FF00) * light >> kFractionBits) & 0x00FF00;
    return 0xFF000000U | rb | g;
}

// Flat two-sided light: the ambient part plus the part of a light from the viewer that
// falls on the face, whichever side of it is seen.
std::uint32_t faceLight(const Vec3& a, const Vec3& b, const Vec3& c) {
    const Vec3 e1{b.x - a.x, b.y - a.y, b.z - a.z}, e2{c.x - a.x, c.y - a.y, c.z - a.z};
    const Vec3 n{e1.y * e2.z - e1.z * e2.y, e1.z * e2.x - e1.x * e2.z, e1.x * e2.y - e1.y * e2.x};
    const float length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    const float facing = length > 0 ? std::abs(n.z) / length : 1.0F;
    const float light = kAmbientLight + (1.0F - kAmbientLight) * facing;
    return static_cast<std::uint32_t>(std::min(light, 1.0F) * kOne + 0.5F);
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

// False when the triangle covers no pixel of a width x height picture.
bool setUp(const Corner (&c)[3], const Texture& t, int width, int height, Setup& s) {
    const float area = (c[1].x - c[0].x) * (c[2].y - c[0].y) - (c[2].x - c[0].x) * (c[1].y - c[0].y);
    if (!(std::abs(area) > kSmallestArea)) {
        return false;
    }
    const float fx0 = std::max(std::floor(std::min({c[0].x, c[1].x, c[2].x})), 0.0F);
    const float fy0 = std::max(std::floor(std::min({c[0].y, c[1].y, c[2].y})), 0.0F);
    const float fx1 = std::min(std::ceil(std::max({c[0].x, c[1].x, c[2].x})), static_cast<float>(width));
    const float fy1 = std::min(std::ceil(std::max({c[0].y, c[1].y, c[2].y})), static_cast<float>(height));
    if (!(fx0 < fx1 && fy0 < fy1)) {
        return false;
    }
    s.x0 = static_cast<int>(fx0);
    s.x1 = static_cast<int>(fx1);
    s.y0 = static_cast<int>(fy0);
    s.y1 = static_cast<int>(fy1);
    const float sign = area > 0 ? 1.0F : -1.0F;
    for (int i = 0; i < 3; ++i) {
        const Corner& p = c[(i + 1) % 3];
        const Corner& q = c[(i + 2) % 3];
        s.edge[i] = {(p.y - q.y) * sign, (q.x - p.x) * sign, (p.x * q.y - p.y * q.x) * sign};
    }
    s.uShift = std::floor(std::min({c[0].u, c[1].u, c[2].u}));
    s.vShift = std::floor(std::min({c[0].v, c[1].v, c[2].v}));
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

// Where each edge crosses a row: a bound on the pixel index there, linear in the row, so a
// row costs a few additions and comparisons and no branch. An edge that bounds nothing on
// the row side holds an unreachable bound; an edge along the rows cuts the triangle's rows
// instead, once.
struct EdgeBounds {
    float lower[3], upper[3];            // on the current row
    float lowerStep[3], upperStep[3];    // from one row to the next
};

constexpr float kNoBound = 1e9F;  // beyond any picture side

// False when no row is left.
bool edgeBounds(Setup& s, EdgeBounds& b) {
    const float py = static_cast<float>(s.y0) + 0.5F;
    for (int i = 0; i < 3; ++i) {
        const Plane& e = s.edge[i];
        b.lower[i] = -kNoBound;
        b.upper[i] = kNoBound;
        b.lowerStep[i] = b.upperStep[i] = 0;
        if (e.dx != 0) {
            const float at = -(e.dy * py + e.at0 + kEdgeTolerance) / e.dx - 0.5F;
            (e.dx > 0 ? b.lower[i] : b.upper[i]) = at;
            (e.dx > 0 ? b.lowerStep[i] : b.upperStep[i]) = -e.dy / e.dx;
        } else if (e.dy != 0) {
            // Inside where dy * (y + 0.5) + at0 >= -tolerance.
            const float row = -(e.at0 + kEdgeTolerance) / e.dy - 0.5F;
            const float heldRow = std::clamp(row, -1.0F, static_cast<float>(s.y1));
            if (e.dy > 0) {
                s.y0 = std::max(s.y0, static_cast<int>(std::ceil(heldRow)));
            } else {
                s.y1 = std::min(s.y1, static_cast<int>(std::floor(heldRow)) + 1);
            }
        } else if (e.at0 + kEdgeTolerance < 0) {
            return false;
        }
    }
    if (s.y0 >= s.y1) {
        return false;
    }
    const float moved = static_cast<float>(s.y0) + 0.5F - py;  // rows cut from the top
    for (int i = 0; i < 3; ++i) {
        b.lower[i] += b.lowerStep[i] * moved;
        b.upper[i] += b.upperStep[i] * moved;
    }
    return true;
}

// The pixels [first, last) of the row whose centres lie inside all three edges, then moves
// the bounds to the next row. Both ends are held to the box before converting.
void rowSpan(const Setup& s, EdgeBounds& b, int& first, int& last) {
    const float lo = std::min(std::max({static_cast<float>(s.x0), b.lower[0], b.lower[1], b.lower[2]}),
                              static_cast<float>(s.x1));
    const float hi = std::max(std::min({static_cast<float>(s.x1), b.upper[0] + 1, b.upper[1] + 1,
                                        b.upper[2] + 1}),
                              lo);
    for (int i = 0; i < 3; ++i) {
        b.lower[i] += b.lowerStep[i];
        b.upper[i] += b.upperStep[i];
    }
    // Both lie in [x0, x1] and x0 >= 0: ceil of lo and floor of hi by truncation.
    first = static_cast<int>(lo);
    first += static_cast<float>(first) < lo ? 1 : 0;
    last = std::max(first, static_cast<int>(hi));
}

// 1/z, u/z and v/z at the centre of pixel 0 of a row, moved down one row at a time.
struct RowStart {
    float iz, uz, vz;

    RowStart(const Setup& s, int y) {
        const float py = static_cast<float>(y) + 0.5F;
        iz = s.invZ.at(0.5F, py);
        uz = s.uz.at(0.5F, py);
        vz = s.vz.at(0.5F, py);
    }
    void next(const Setup& s) {
        iz += s.invZ.dy;
        uz += s.uz.dy;
        vz += s.vz.dy;
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
        row[x] = lit(sampleAny(t, uz * z + s.uShift, vz * z + s.vShift), s.light);
    }
}

// Texture coordinates are exact (perspective-correct) every kSubspan pixels and at the
// span's last pixel, and step linearly in fixed point between: one division per subspan
// instead of one per pixel, off by far less than a texel at the view's field of view.
constexpr int kSubspan = 8;

// Fixed-point texel coordinates at one pixel. Within the triangle they lie inside the
// limits; a pixel just outside a sliver may extrapolate far, and is held to them.
struct TexelPoint {
    int u, v;
    TexelPoint(const Setup& s, float iz, float uz, float vz) {
        const float z = 1.0F / iz;
        u = static_cast<int>(held(uz * z, 0, s.uLimit)) - kOne / 2;
        v = static_cast<int>(held(vz * z, 0, s.vLimit)) - kOne / 2;
    }
};

template <bool kMasked>
void fillSpanFixed(const Setup& s, const Texture& t, const RowStart& start, int first, int last,
                   QRgb* row, float* depth) {
    if (first >= last) {
        return;
    }
    const auto at = [&s, &start](int x) {
        const auto f = static_cast<float>(x);
        return TexelPoint(s, start.iz + s.invZ.dx * f, start.uz + s.uz.dx * f,
                          start.vz + s.vz.dx * f);
    };
    TexelPoint from = at(first);
    for (int x = first;;) {
        const int n = std::min(kSubspan, last - 1 - x);
        const TexelPoint to = n > 0 ? at(x + n) : from;
        const int du = n > 0 ? (to.u - from.u) / n : 0;
        const int dv = n > 0 ? (to.v - from.v) / n : 0;
        float iz = start.iz + s.invZ.dx * static_cast<float>(x);
        int u = from.u, v = from.v;
        for (const int end = std::max(x + n, x + 1); x < end; ++x, iz += s.invZ.dx, u += du, v += dv) {
            if (iz > depth[x]) {
                depth[x] = iz;
                row[x] = lit(kMasked ? sampleMasked(t, u, v) : sampleFixed(t, u, v), s.light);
            }
        }
        if (x >= last) {
            return;
        }
        from = to;
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

void ViewRenderer::newDepth(QSize size) {
    depth_.reset();
    depthSize_ = {};
    const std::size_t pixels = static_cast<std::size_t>(size.width()) * static_cast<std::size_t>(size.height());
    // calloc: a large zeroed block comes straight from the system, untouched until drawn on.
    depth_.reset(static_cast<float*>(std::calloc(pixels, sizeof(float))));
    if (!depth_) {
        throw EOutOfResources(std::string(msg::kOutOfMemory));
    }
    touched_.assign(static_cast<std::size_t>(size.height()), {size.width(), 0});
    depthSize_ = size;
}

// Depth 0 (all bits clear) is farther than anything drawn.
void ViewRenderer::clearDepth(int top, int bottom) {
    const int width = depthSize_.width();
    for (int y = top; y < bottom; ++y) {
        Touched& t = touched_[static_cast<std::size_t>(y)];
        float* row = depth_.get() + static_cast<std::ptrdiff_t>(y) * width;
        std::fill(row + std::min(t.first, t.last), row + t.last, 0.0F);
        t = {width, 0};
    }
}

// Fills the triangles, in order, on the rows [top, bottom): one band of the picture. Bands
// share no pixel, so they are drawn at the same time, and one fill budget.
void ViewRenderer::drawBand(const Mesh& mesh, const Texture& texture, int top, int bottom) {
    const int width = picture_.width();
    const auto stride = static_cast<std::ptrdiff_t>(picture_.bytesPerLine() / sizeof(QRgb));
    auto* pixels = reinterpret_cast<QRgb*>(bits_);
    std::fill(pixels + top * stride, pixels + bottom * stride, kViewBackground);
    clearDepth(top, bottom);

    std::int64_t inHand = 0;  // budget this band has taken and not yet spent
    for (const std::uint32_t index : order_) {
        const auto& t = mesh.triangles[index];
        const float yMin = std::min({screen_[t[0]].y, screen_[t[1]].y, screen_[t[2]].y});
        const float yMax = std::max({screen_[t[0]].y, screen_[t[1]].y, screen_[t[2]].y});
        if (!(yMax > static_cast<float>(top) && yMin < static_cast<float>(bottom))) {
            continue;  // not in this band (or not a number)
        }
        Corner c[3];
        for (int i = 0; i < 3; ++i) {
            const ScreenVertex& v = screen_[t[i]];
            c[i] = {v.x, v.y, v.invZ, mesh.uvs[t[i]].u, mesh.uvs[t[i]].v};
        }
        Setup s;
        if (!setUp(c, texture, width, bottom, s)) {
            continue;
        }
        s.y0 = std::max(s.y0, top);
        if (s.y0 >= s.y1) {
            continue;
        }
        const std::int64_t cost = std::int64_t{s.x1 - s.x0} * (s.y1 - s.y0);
        if (cost > inHand) {
            const std::int64_t take = std::max(cost - inHand, kBudgetChunk);
            if (budget_.fetch_sub(take, std::memory_order_relaxed) < take) {
                return;  // the budget is spent: the band stays as drawn so far
            }
            inHand += take;
        }
        inHand -= cost;
        EdgeBounds bounds;
        if (!edgeBounds(s, bounds)) {
            continue;
        }
        s.light = faceLight(view_[t[0]], view_[t[1]], view_[t[2]]);
        RowStart start(s, s.y0);
        for (int y = s.y0; y < s.y1; ++y, start.next(s)) {
            int first = 0, last = 0;
            rowSpan(s, bounds, first, last);
            QRgb* row = pixels + y * stride;
            float* depth = depth_.get() + static_cast<std::ptrdiff_t>(y) * width;
            Touched& touched = touched_[static_cast<std::size_t>(y)];
            touched = {std::min(touched.first, first), std::max(touched.last, last)};
            if (!s.fast) {
                fillSpanAny(s, texture, start, first, last, row, depth);
            } else if (texture.powerOfTwo) {
                fillSpanFixed<true>(s, texture, start, first, last, row, depth);
            } else {
                fillSpanFixed<false>(s, texture, start, first, last, row, depth);
            }
        }
    }
}

const QImage& ViewRenderer::render(const Mesh& mesh, const QImage& skin, const ViewAngles& angles,
                                   QSize size) {
    size = size.boundedTo({kMaxViewSide, kMaxViewSide}).expandedTo({1, 1});
    if (picture_.size() != size) {
        picture_ = QImage(size, QImage::Format_RGB32);
        if (picture_.isNull()) {
            throw EOutOfResources(std::string(msg::kOutOfMemory));
        }
    }
    const QImage texels = skin.convertToFormat(QImage::Format_RGB32);
    if (mesh.positions.empty() || texels.isNull()) {
        picture_.fill(kViewBackground);
        return picture_;
    }
    project(mesh, angles, size);
    orderFrontToBack(mesh);
    // Each band clears its own rows of the picture and the depth buffer.
    if (depthSize_ != size) {
        newDepth(size);
    }
    bits_ = picture_.bits();  // detached here, once, before the bands write to it
    const int tw = texels.width(), th = texels.height();
    const Texture texture{reinterpret_cast<const QRgb*>(texels.constBits()), tw, th,
                          (tw & (tw - 1)) == 0 && (th & (th - 1)) == 0};
    // A fixed number of bands, whatever the number of processors, so the picture is the same
    // on every machine (only where a spent budget stops depends on the bands' timing).
    budget_.store(kFillBudget, std::memory_order_relaxed);
    const int height = size.height();
    const auto bandTop = [height](int band) { return height * band / kBands; };
    for (int band = 1; band < kBands; ++band) {
        pool_.start([this, &mesh, &texture, band, bandTop] {
            drawBand(mesh, texture, bandTop(band), bandTop(band + 1));
        });
    }
    drawBand(mesh, texture, bandTop(0), bandTop(1));
    pool_.waitForDone();
    return picture_;
}

QImage renderView(const Mesh& mesh, const QImage& skin, const ViewAngles& angles, QSize size) {
    ViewRenderer renderer;
    return renderer.render(mesh, skin, angles, size);
}

}  // namespace vestura
