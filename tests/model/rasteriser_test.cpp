// The drawn view: which face of the test cube the picture's centre shows from each side,
// +X on the viewer's left, the skin's orientation, and the bounds on drawing.
#include <gtest/gtest.h>

#include <cmath>

#include "model/clump_reader.h"
#include "model/rasteriser.h"
#include "tests/support/rw_writer.h"

namespace vestura::test {
namespace {

constexpr int kSide = 256;

Mesh cube() {
    return readClump(writeDff(cubeClump(), kStamp34));
}

QRgb centre(const QImage& picture) {
    return picture.pixel(picture.width() / 2, picture.height() / 2);
}

struct Sight {
    float yaw, pitch;
    QRgb face;
};

class CubeView : public ::testing::TestWithParam<Sight> {};

TEST_P(CubeView, TheCentreShowsTheFaceTurnedToTheViewer) {
    const Sight sight = GetParam();
    const QImage picture = renderView(cube(), cubeSkin(), {sight.yaw, sight.pitch, 1}, {kSide, kSide});
    EXPECT_EQ(faceColour(centre(picture)), sight.face)
        << std::hex << centre(picture) << " at yaw " << sight.yaw << " pitch " << sight.pitch;
}

INSTANTIATE_TEST_SUITE_P(
    FourTurnsAndBothTilts, CubeView,
    ::testing::Values(Sight{0, 0, kCubeMinusZ}, Sight{90, 0, kCubePlusX}, Sight{180, 0, kCubePlusZ},
                      Sight{270, 0, kCubeMinusX}, Sight{-90, 0, kCubeMinusX},
                      Sight{0, 60, kCubePlusY}, Sight{0, -60, kCubeMinusY},
                      Sight{90, 60, kCubePlusY}));

TEST(View, AFaceSeenStraightOnShowsItsSkinColourAtFullLight) {
    const QImage picture = renderView(cube(), cubeSkin(), {}, {kSide, kSide});
    const QRgb c = centre(picture);
    EXPECT_NEAR(qRed(c), 255, 2);
    EXPECT_NEAR(qGreen(c), 0, 2);
    EXPECT_NEAR(qBlue(c), 0, 2);
}

TEST(View, TheModelsPlusXSideIsOnTheViewersLeft) {
    // Turned a little, the +X face comes into sight beside the -Z face: on the left.
    const QImage picture = renderView(cube(), cubeSkin(), {30, 0, 1}, {kSide, kSide});
    const int y = kSide / 2;
    EXPECT_EQ(faceColour(picture.pixel(kSide * 3 / 10, y)), kCubePlusX);
    EXPECT_EQ(faceColour(picture.pixel(kSide * 7 / 10, y)), kCubeMinusZ);
}

TEST(View, TheBackgroundIsThePreviewFramesColourAndTheModelFitsInside) {
    for (float yaw : {0.0F, 45.0F}) {
        const QImage picture = renderView(cube(), cubeSkin(), {yaw, 30, 1}, {kSide, kSide});
        for (int i = 0; i < kSide; ++i) {
            for (const QPoint edge : {QPoint(i, 0), QPoint(i, kSide - 1), QPoint(0, i), QPoint(kSide - 1, i)}) {
                ASSERT_EQ(picture.pixel(edge), kViewBackground) << edge.x() << "," << edge.y();
            }
        }
    }
}

TEST(View, ATurnNeverShrinksTheModel) {
    // The camera fits the bounding sphere, not the turned outline: turned 45 degrees the
    // cube's near edge stands nearer, so taller, than its front face did; fitting the wider
    // outline would have shrunk it.
    const auto covered = [](const QImage& p) {
        int n = 0;
        for (int y = 0; y < p.height(); ++y) {
            n += p.pixel(p.width() / 2, y) != kViewBackground;
        }
        return n;
    };
    const Mesh mesh = cube();
    const int front = covered(renderView(mesh, cubeSkin(), {0, 0, 1}, {kSide, kSide}));
    const int turned = covered(renderView(mesh, cubeSkin(), {45, 0, 1}, {kSide, kSide}));
    EXPECT_GE(turned, front);
}

TEST(View, UvsOutsideTheUnitSquareWrap) {
    Mesh mesh = cube();
    for (Vec2& uv : mesh.uvs) {
        uv.u += 3;
        uv.v -= 2;
    }
    EXPECT_EQ(renderView(mesh, cubeSkin(), {}, {kSide, kSide}),
              renderView(cube(), cubeSkin(), {}, {kSide, kSide}));
}

TEST(View, ThePictureSizeIsBounded) {
    const QImage picture = renderView(cube(), cubeSkin(), {}, {100000, 0});
    EXPECT_EQ(picture.size(), QSize(kMaxViewSide, 1));
}

TEST(View, ASpentFillBudgetLeavesOutWholeTriangles) {
    // A square of two triangles facing the viewer, each with a box of about 162 x 162 pixels:
    // a budget of 40,000 pixels pays for the first (the lower right on screen) only.
    Mesh mesh;
    for (const Vec3 p : {Vec3{-1, -1, 0}, Vec3{1, -1, 0}, Vec3{-1, 1, 0}, Vec3{1, 1, 0}}) {
        mesh.positions.push_back(p);
        mesh.uvs.push_back({0.1F, 0.1F});
    }
    mesh.triangles = {{0, 1, 2}, {1, 3, 2}};
    const QPoint lowerRight(kSide / 2 + 40, kSide / 2 + 40), upperLeft(kSide / 2 - 40, kSide / 2 - 40);

    ViewRenderer whole;
    const QImage both = whole.render(mesh, cubeSkin(), {}, {kSide, kSide});
    EXPECT_FALSE(whole.partial());
    EXPECT_NE(both.pixel(lowerRight), kViewBackground);
    EXPECT_NE(both.pixel(upperLeft), kViewBackground);

    ViewRenderer held(0, 40'000);
    const QImage first = held.render(mesh, cubeSkin(), {}, {kSide, kSide});
    EXPECT_TRUE(held.partial());
    EXPECT_EQ(first.pixel(lowerRight), both.pixel(lowerRight));
    EXPECT_EQ(first.pixel(upperLeft), kViewBackground);
    // The first triangle is whole: every pixel it drew in the full picture is there.
    int differing = 0;
    for (int y = kSide / 2; y < kSide; ++y) {
        for (int x = kSide / 2; x < kSide; ++x) {
            differing += first.pixel(x, y) != both.pixel(x, y) ? 1 : 0;
        }
    }
    EXPECT_EQ(differing, 0);
}

TEST(View, TrianglesCoveringThePictureManyTimesStopAtTheFillBudget) {
    // 20,000 quads each covering the whole picture: drawn only until the budget is spent.
    Mesh mesh;
    for (int layer = 0; layer < 20'000; ++layer) {
        const auto base = static_cast<std::uint32_t>(mesh.positions.size());
        const float z = static_cast<float>(layer) * 1e-4F;
        for (const Vec3 p : {Vec3{-1, -1, z}, Vec3{1, -1, z}, Vec3{-1, 1, z}, Vec3{1, 1, z}}) {
            mesh.positions.push_back(p);
            mesh.uvs.push_back({p.x, p.y});
        }
        mesh.triangles.push_back({base, base + 1, base + 2});
        mesh.triangles.push_back({base + 1, base + 3, base + 2});
    }
    // Every quad spans the fitted picture's middle; the budget stops the work, so the call
    // returns a finished picture (its speed is the hostile benchmark's to measure).
    ViewRenderer renderer;
    const QImage picture = renderer.render(mesh, cubeSkin(), {}, {1024, 1024});
    EXPECT_NE(centre(picture), kViewBackground);
    EXPECT_TRUE(renderer.partial());
}

}  // namespace
}  // namespace vestura::test

namespace vestura::test {
namespace {

TEST(View, EveryPixelIsTheSameHoweverManyBandsDrawThePicture) {
    // A skin of noise shows any difference in where a row samples; the cube's faces span
    // hundreds of rows, across every band boundary.
    QImage noise(512, 512, QImage::Format_RGB32);
    std::uint32_t state = 20261209;
    for (int y = 0; y < noise.height(); ++y) {
        for (int x = 0; x < noise.width(); ++x) {
            state = state * 1664525U + 1013904223U;
            noise.setPixel(x, y, 0xFF000000U | (state >> 8));
        }
    }
    const ViewAngles angles{20, 10, 1.3F};
    ViewRenderer one(1);
    const QImage reference = one.render(cube(), noise, angles, {1024, 1024});
    for (const int bands : {2, 3, 7}) {
        ViewRenderer renderer(bands);
        EXPECT_EQ(renderer.render(cube(), noise, angles, {1024, 1024}), reference) << bands << " bands";
    }
}

TEST(View, ARendererKeptBetweenFramesDrawsEachAsAFreshOneWould) {
    // The second frame reuses the depth buffer the first drew on, nearer and zoomed in; what
    // the first left there must not hide anything of the second.
    ViewRenderer renderer;
    renderer.render(cube(), cubeSkin(), {0, 0, 2}, {kSide, kSide});
    const ViewAngles later{135, 40, 1};
    const QImage reused = renderer.render(cube(), cubeSkin(), later, {kSide, kSide});
    EXPECT_EQ(reused, renderView(cube(), cubeSkin(), later, {kSide, kSide}));
}

}  // namespace
}  // namespace vestura::test
