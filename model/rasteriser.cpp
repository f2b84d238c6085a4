#include "model/rasteriser.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "common/errors.h"
#include "common/messages.h"

namespace vestura {

namespace {

// Room around the bounding sphere, so the model never touches the picture's edge.
constexpr float kFitMargin = 1.08F;
// A model with no extent still gets a camera distance.
constexpr float kSmallestRadius = 1e-3F;
// Triangles thinner than this on screen cover no pixel centre worth drawing.
constexpr float kSmallestArea = 1e-8F;

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
        const float yaw = radians(angles.yawDegrees);
        const float pitch =
            radians(std::clamp(angles.pitchDegrees, -kMaxPitchDegrees, kMaxPitchDegrees));
        cosYaw = std::cos(yaw);
        sinYaw = std::sin(yaw);
        cosPitch = std::cos(pitch);
        sinPitch = std::sin(pitch);
        const float half = radians(kFieldOfViewDegrees) / 2;
        distance = s.radius / std::sin(half) * kFitMargin;
        const float zoom = std::isfinite(angles.zoom) && angles.zoom > 0 ? angles.zoom : 1.0F;
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

// A vertex on screen with what is interpolated linearly there: 1/z, u/z and v/z.
struct ScreenVertex {
    float x, y, invZ, uOverZ, vOverZ;
};

struct Texture {
    const QRgb* pixels;
    int width, height;
};

QRgb lerp(QRgb a, QRgb b, std::uint32_t t) {  // t in 0..256
    const std::uint32_t rb = ((a & 0xFF00FF) * (256 - t) + (b & 0xFF00FF) * t) >> 8;
    const std::uint32_t g = ((a & 0x00FF00) * (256 - t) + (b & 0x00FF00) * t) >> 8;
    return (rb & 0xFF00FF) | (g & 0x00FF00);
}

// Bilinear, with the texture repeating in both directions.
QRgb sample(const Texture& t, float u, float v) {
    u -= std::floor(u);
    v -= std::floor(v);
    const float x = u * static_cast<float>(t.width) - 0.5F;
    const float y = v * static_cast<float>(t.height) - 0.5F;
    const float fx = std::floor(x), fy = std::floor(y);
    int x0 = static_cast<int>(fx), y0 = static_cast<int>(fy);
    int x1 = x0 + 1, y1 = y0 + 1;
    x0 = x0 < 0 ? x0 + t.width : x0;
    y0 = y0 < 0 ? y0 + t.height : y0;
    x1 = x1 >= t.width ? x1 - t.width : x1;
    y1 = y1 >= t.height ? y1 - t.height : y1;
    const auto tx = static_cast<std::uint32_t>((x - fx) * 256.0F);
    const auto ty = static_cast<std::uint32_t>((y - fy) * 256.0F);
    const QRgb* row0 = t.pixels + static_cast<std::ptrdiff_t>(y0) * t.width;
    const QRgb* row1 = t.pixels + static_cast<std::ptrdiff_t>(y1) * t.width;
    return lerp(lerp(row0[x0], row0[x1], tx), lerp(row1[x0], row1[x1], tx), ty);
}

QRgb lit(QRgb c, std::uint32_t light) {  // light in 0..256
    const std::uint32_t rb = ((c & 0xFF00FF) * light >> 8) & 0xFF00FF;
    const std::uint32_t g = ((c & 0x00FF00) * light >> 8) & 0x00FF00;
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
    return static_cast<std::uint32_t>(std::lround(std::min(light, 1.0F) * 256.0F));
}

class Rasteriser {
public:
    Rasteriser(QImage& target, const Texture& texture)
        : target_(target), texture_(texture), width_(target.width()), height_(target.height()),
          depth_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), 0.0F) {}

    // False once the fill budget is spent: nothing more is drawn.
    bool draw(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
              std::uint32_t light);

private:
    QImage& target_;
    Texture texture_;
    int width_, height_;
    std::vector<float> depth_;  // 1/z of the nearest surface drawn; 0 is nothing
    std::int64_t budget_ = kFillBudget;
};

// A value interpolated linearly across the screen: value = dx * x + dy * y + at0.
struct Plane {
    float dx, dy, at0;
};

Plane planeThrough(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                   float va, float vb, float vc, float invArea) {
    const float dx = ((vb - va) * (c.y - a.y) - (vc - va) * (b.y - a.y)) * invArea;
    const float dy = ((vc - va) * (b.x - a.x) - (vb - va) * (c.x - a.x)) * invArea;
    return {dx, dy, va - dx * a.x - dy * a.y};
}

bool Rasteriser::draw(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                      std::uint32_t light) {
    const float area = (b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y);
    if (!(std::abs(area) > kSmallestArea)) {
        return true;
    }
    const float fx0 = std::max(std::floor(std::min({a.x, b.x, c.x})), 0.0F);
    const float fy0 = std::max(std::floor(std::min({a.y, b.y, c.y})), 0.0F);
    const float fx1 = std::min(std::ceil(std::max({a.x, b.x, c.x})), static_cast<float>(width_));
    const float fy1 = std::min(std::ceil(std::max({a.y, b.y, c.y})), static_cast<float>(height_));
    if (!(fx0 < fx1 && fy0 < fy1)) {
        return true;
    }
    const int x0 = static_cast<int>(fx0), x1 = static_cast<int>(fx1);
    const int y0 = static_cast<int>(fy0), y1 = static_cast<int>(fy1);
    budget_ -= std::int64_t{x1 - x0} * (y1 - y0);
    if (budget_ < 0) {
        return false;
    }
    // Edge functions, each positive inside whichever way the triangle winds.
    const float sign = area > 0 ? 1.0F : -1.0F;
    const float invArea = 1.0F / area;
    const ScreenVertex* v[3] = {&a, &b, &c};
    Plane edge[3];
    for (int i = 0; i < 3; ++i) {
        const ScreenVertex& p = *v[(i + 1) % 3];
        const ScreenVertex& q = *v[(i + 2) % 3];
        edge[i] = {(p.y - q.y) * sign, (q.x - p.x) * sign, (p.x * q.y - p.y * q.x) * sign};
    }
    const Plane invZ = planeThrough(a, b, c, a.invZ, b.invZ, c.invZ, invArea);
    const Plane uz = planeThrough(a, b, c, a.uOverZ, b.uOverZ, c.uOverZ, invArea);
    const Plane vz = planeThrough(a, b, c, a.vOverZ, b.vOverZ, c.vOverZ, invArea);
    for (int y = y0; y < y1; ++y) {
        const float py = static_cast<float>(y) + 0.5F;
        auto* row = reinterpret_cast<QRgb*>(target_.scanLine(y));
        float* depthRow = depth_.data() + static_cast<std::ptrdiff_t>(y) * width_;
        for (int x = x0; x < x1; ++x) {
            const float px = static_cast<float>(x) + 0.5F;
            if (edge[0].dx * px + edge[0].dy * py + edge[0].at0 < 0 ||
                edge[1].dx * px + edge[1].dy * py + edge[1].at0 < 0 ||
                edge[2].dx * px + edge[2].dy * py + edge[2].at0 < 0) {
                continue;
            }
            const float iz = invZ.dx * px + invZ.dy * py + invZ.at0;
            if (!(iz > depthRow[x])) {
                continue;
            }
            depthRow[x] = iz;
            const float z = 1.0F / iz;
            const float u = (uz.dx * px + uz.dy * py + uz.at0) * z;
            const float w = (vz.dx * px + vz.dy * py + vz.at0) * z;
            row[x] = lit(sample(texture_, u, w), light);
        }
    }
    return true;
}

}  // namespace

QImage renderView(const Mesh& mesh, const QImage& skin, const ViewAngles& angles, QSize size) {
    size = size.boundedTo({kMaxViewSide, kMaxViewSide}).expandedTo({1, 1});
    QImage picture(size, QImage::Format_RGB32);
    if (picture.isNull()) {
        throw EOutOfResources(std::string(msg::kOutOfMemory));
    }
    picture.fill(kViewBackground);
    const QImage texels = skin.convertToFormat(QImage::Format_RGB32);
    if (mesh.positions.empty() || texels.isNull()) {
        return picture;
    }
    const Camera camera(boundingSphere(mesh.positions), angles, size);
    std::vector<Vec3> view(mesh.positions.size());
    std::vector<ScreenVertex> screen(mesh.positions.size());
    for (std::size_t i = 0; i < view.size(); ++i) {
        const Vec3 p = camera.toView(mesh.positions[i]);
        const float invZ = 1.0F / p.z;
        view[i] = p;
        // The viewer's right is the model's -X: the picture's x grows against view x.
        screen[i] = {camera.centreX - camera.focal * p.x * invZ,
                     camera.centreY - camera.focal * p.y * invZ, invZ, mesh.uvs[i].u * invZ,
                     mesh.uvs[i].v * invZ};
    }
    const Texture texture{reinterpret_cast<const QRgb*>(texels.constBits()), texels.width(),
                          texels.height()};
    Rasteriser rasteriser(picture, texture);
    for (const auto& t : mesh.triangles) {
        const std::uint32_t light = faceLight(view[t[0]], view[t[1]], view[t[2]]);
        if (!rasteriser.draw(screen[t[0]], screen[t[1]], screen[t[2]], light)) {
            break;
        }
    }
    return picture;
}

}  // namespace vestura
