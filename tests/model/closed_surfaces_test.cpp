// Closed surfaces: which triangles the view may leave out because only their inner side
// could face the viewer, and that leaving them out never changes the picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "model/closed_surfaces.h"
#include "model/clump_reader.h"
#include "model/rasteriser.h"
#include "tests/support/rw_writer.h"

namespace vestura::test {
namespace {

// A body like the benchmark's: rings of vertices around Y, each ring repeating its first
// position at its end with other texture coordinates, the poles single points.
Mesh body(int around, int along) {
    Mesh mesh;
    for (int j = 0; j <= along; ++j) {
        const float phi = std::numbers::pi_v<float> * static_cast<float>(j) / static_cast<float>(along);
        const float ring = j == 0 || j == along ? 0.0F : std::sin(phi);
        const float height = j == 0 ? 1.0F : j == along ? -1.0F : std::cos(phi);
        for (int i = 0; i <= around; ++i) {
            const float theta = 2 * std::numbers::pi_v<float> * static_cast<float>(i % around) /
                                static_cast<float>(around);
            mesh.positions.push_back({0.35F * ring * std::cos(theta), height, 0.2F * ring * std::sin(theta)});
            mesh.uvs.push_back({static_cast<float>(i) / static_cast<float>(around),
                                static_cast<float>(j) / static_cast<float>(along)});
        }
    }
    for (int j = 0; j < along; ++j) {
        for (int i = 0; i < around; ++i) {
            const auto a = static_cast<std::uint32_t>(j * (around + 1) + i);
            const auto b = a + static_cast<std::uint32_t>(around) + 1;
            mesh.triangles.push_back({a, a + 1, b});
            mesh.triangles.push_back({a + 1, b + 1, b});
        }
    }
    return mesh;
}

bool samePlace(const Vec3& a, const Vec3& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

// The one side every triangle gives, apart from the pole triangles that have no area; 0 when
// they differ.
std::int8_t onlySide(const Mesh& mesh, const std::vector<std::int8_t>& sides) {
    std::int8_t seen = 0;
    for (std::size_t t = 0; t < sides.size(); ++t) {
        const auto& p = mesh.positions;
        const auto& tri = mesh.triangles[t];
        if (samePlace(p[tri[0]], p[tri[1]]) || samePlace(p[tri[1]], p[tri[2]]) ||
            samePlace(p[tri[2]], p[tri[0]])) {
            continue;
        }
        if (seen == 0) {
            seen = sides[t];
        } else if (sides[t] != seen) {
            return 0;
        }
    }
    return seen;
}

TEST(ClosedSurfaces, ABodyWithASeamAndPolesIsClosedAndWindingDecidesItsOutside) {
    Mesh mesh = body(12, 8);
    const std::int8_t side = onlySide(mesh, outwardSides(mesh));
    EXPECT_NE(side, 0);
    for (auto& t : mesh.triangles) {
        std::swap(t[1], t[2]);
    }
    EXPECT_EQ(onlySide(mesh, outwardSides(mesh)), -side);
}

TEST(ClosedSurfaces, AHoleAFinOrAStrayTriangleLeavesOnlyTheirSurfaceOpen) {
    const Mesh closed = body(12, 8);
    Mesh holed = closed;
    holed.triangles.erase(holed.triangles.begin() + 40);
    for (const std::int8_t side : outwardSides(holed)) {
        EXPECT_EQ(side, 0);
    }

    // A second body beside the first, with a fin: a third triangle on one of its edges.
    Mesh two = closed;
    const auto shift = static_cast<std::uint32_t>(two.positions.size());
    for (const Vec3& p : closed.positions) {
        two.positions.push_back({p.x + 3, p.y, p.z});
        two.uvs.push_back({});
    }
    const std::size_t firstOfSecond = two.triangles.size();
    for (const auto& t : closed.triangles) {
        two.triangles.push_back({t[0] + shift, t[1] + shift, t[2] + shift});
    }
    const auto& edge = two.triangles[firstOfSecond + 40];
    two.positions.push_back({9, 9, 9});
    two.uvs.push_back({});
    two.triangles.push_back({edge[0], edge[1], static_cast<std::uint32_t>(two.positions.size() - 1)});
    const std::vector<std::int8_t> sides = outwardSides(two);
    EXPECT_NE(sides[40], 0);  // the first body stays closed
    for (std::size_t t = firstOfSecond; t < sides.size(); ++t) {
        EXPECT_EQ(sides[t], 0) << t;
    }
}

TEST(ClosedSurfaces, AMeshTooLargeToExamineIsDrawnFromBothSides) {
    Mesh mesh;
    mesh.positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    mesh.uvs.resize(3);
    mesh.triangles.assign(kMaxExaminedTriangles + 1, {0, 1, 2});
    const std::vector<std::int8_t> sides = outwardSides(mesh);
    EXPECT_EQ(sides.size(), mesh.triangles.size());
    EXPECT_EQ(std::count(sides.begin(), sides.end(), 0), static_cast<std::ptrdiff_t>(sides.size()));
}

TEST(ClosedSurfaces, LeavingOutInnerSidesNeverChangesThePicture) {
    // The body with a skin of many colours, and the test cube as the reader gives it, from
    // all round and from above and below: the same pixels covered as when every side is
    // drawn, in the same colours.
    Mesh bodyMesh = body(24, 16);
    bodyMesh.outward = outwardSides(bodyMesh);
    const Mesh& round = bodyMesh;
    const Mesh cube = readClump(writeDff(cubeClump(), kStamp34));
    QImage skin(64, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            skin.setPixel(x, y, qRgb(x * 4, y * 4, (x ^ y) * 4));
        }
    }
    for (const Mesh* mesh : {&round, &cube}) {
        ASSERT_NE(onlySide(*mesh, mesh->outward), 0);
        Mesh bothSides = *mesh;
        bothSides.outward.clear();
        for (float yaw = 0; yaw < 360; yaw += 37) {
            for (const float pitch : {-60.0F, 0.0F, 25.0F, 80.0F}) {
                const ViewAngles angles{yaw, pitch, 1.7F};
                const QImage culled = renderView(*mesh, skin, angles, {160, 160});
                const QImage whole = renderView(bothSides, skin, angles, {160, 160});
                int modelPixels = 0, holes = 0, differing = 0;
                for (int y = 0; y < 160; ++y) {
                    for (int x = 0; x < 160; ++x) {
                        const QRgb a = culled.pixel(x, y), b = whole.pixel(x, y);
                        modelPixels += b != kViewBackground ? 1 : 0;
                        holes += (a == kViewBackground) != (b == kViewBackground) ? 1 : 0;
                        differing += a != b ? 1 : 0;
                    }
                }
                EXPECT_EQ(holes, 0) << (mesh == &round ? "body" : "cube") << " yaw " << yaw << " pitch " << pitch;
                // Where the front and the back of an outline meet at one depth, drawing both
                // sides may show the back's light on an outline pixel; nowhere else.
                ASSERT_LE(differing, modelPixels / 500)
                    << (mesh == &round ? "body" : "cube") << " yaw " << yaw << " pitch " << pitch;
            }
        }
    }
}

}  // namespace
}  // namespace vestura::test
