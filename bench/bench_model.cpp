// The 3D view's cost per frame: a 3,000-triangle model drawn at 512 x 512 with bilinear
// sampling, beside QPainter drawing the 256 x 256 skin smoothly scaled to 512 x 512 as the
// reference. Goal: the view at most twice the reference's time per frame, so dragging stays
// as smooth as a scaled picture would.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <cmath>
#include <numbers>

#include "model/closed_surfaces.h"
#include "model/rasteriser.h"

namespace vestura {
namespace {

constexpr int kSide = 512;
constexpr int kSkinSide = 256;
// A closed body of person-like proportions (narrow, tall, shallow), 50 x 30 quads:
// 3,000 triangles, covering about a quarter of the picture as the player model does. As a
// modelled body is, it is closed: its seam repeats the first column's positions exactly
// (with other texture coordinates) and its poles are single points.
constexpr int kAround = 50, kAlong = 30;
constexpr float kHalfWidth = 0.35F, kHalfHeight = 1.0F, kHalfDepth = 0.2F;

Mesh bodyModel() {
    Mesh mesh;
    for (int j = 0; j <= kAlong; ++j) {
        const float phi = std::numbers::pi_v<float> * static_cast<float>(j) / kAlong;
        const float ring = j == 0 || j == kAlong ? 0.0F : std::sin(phi);
        const float height = j == 0 ? 1.0F : j == kAlong ? -1.0F : std::cos(phi);
        for (int i = 0; i <= kAround; ++i) {
            const float theta = 2 * std::numbers::pi_v<float> * static_cast<float>(i % kAround) / kAround;
            mesh.positions.push_back({kHalfWidth * ring * std::cos(theta), kHalfHeight * height,
                                      kHalfDepth * ring * std::sin(theta)});
            mesh.uvs.push_back({static_cast<float>(i) / kAround, static_cast<float>(j) / kAlong});
        }
    }
    for (int j = 0; j < kAlong; ++j) {
        for (int i = 0; i < kAround; ++i) {
            const auto a = static_cast<std::uint32_t>(j * (kAround + 1) + i);
            const auto b = a + kAround + 1;
            mesh.triangles.push_back({a, a + 1, b});
            mesh.triangles.push_back({a + 1, b + 1, b});
        }
    }
    mesh.outward = outwardSides(mesh);
    return mesh;
}

QImage skin() {
    QImage image(kSkinSide, kSkinSide, QImage::Format_RGB32);
    for (int y = 0; y < kSkinSide; ++y) {
        for (int x = 0; x < kSkinSide; ++x) {
            image.setPixel(x, y, qRgb(x, y, (x * y) & 0xFF));
        }
    }
    return image;
}

void drawTurntable(benchmark::State& state, const Mesh& mesh) {
    const QImage texture = skin();
    ViewRenderer renderer;  // as the window keeps one
    float yaw = 0;
    for (auto _ : state) {
        const QImage& picture = renderer.render(mesh, texture, {yaw, 10, 1}, {kSide, kSide});
        benchmark::DoNotOptimize(picture.constBits());
        yaw += 2;  // a turntable frame
    }
    state.counters["triangles"] = static_cast<double>(mesh.triangles.size());
}

// The goal's case.
void ModelView512(benchmark::State& state) {
    drawTurntable(state, bodyModel());
}
BENCHMARK(ModelView512)->Unit(benchmark::kMillisecond);

// The same body with no closed surface known: every triangle drawn from both sides, as for
// a model whose surfaces are all open. For comparison only.
void ModelView512BothSides(benchmark::State& state) {
    Mesh mesh = bodyModel();
    mesh.outward.clear();
    drawTurntable(state, mesh);
}
BENCHMARK(ModelView512BothSides)->Unit(benchmark::kMillisecond);

// The reference: the flat skin drawn as a 512 x 512 picture, smoothly scaled, onto a
// picture kept between frames as a window's backing store is.
void QPainterSmoothScale512(benchmark::State& state) {
    const QImage texture = skin();
    QImage picture(kSide, kSide, QImage::Format_RGB32);
    for (auto _ : state) {
        picture.fill(kViewBackground);
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRect(0, 0, kSide, kSide), texture);
        painter.end();
        benchmark::DoNotOptimize(picture.constBits());
    }
}
BENCHMARK(QPainterSmoothScale512)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vestura

BENCHMARK_MAIN();
