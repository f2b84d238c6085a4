// The RenderWare reader: the cube in both file versions, frames composed as the game does,
// and every kind of damage refused with what was wrong.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/clump_reader.h"
#include "model/frames.h"
#include "model/model_errors.h"
#include "model/rw_stream.h"
#include "tests/support/le_writer.h"
#include "tests/support/raises.h"
#include "tests/support/rw_writer.h"

namespace vestura::test {
namespace {

// The model-space bounds of a mesh.
struct Bounds {
    Vec3 lo{1e9F, 1e9F, 1e9F}, hi{-1e9F, -1e9F, -1e9F};
};
Bounds boundsOf(const Mesh& mesh) {
    Bounds b;
    for (const Vec3& p : mesh.positions) {
        b.lo = {std::min(b.lo.x, p.x), std::min(b.lo.y, p.y), std::min(b.lo.z, p.z)};
        b.hi = {std::max(b.hi.x, p.x), std::max(b.hi.y, p.y), std::max(b.hi.z, p.z)};
    }
    return b;
}

TEST(RwVersion, DecodedFromBothStampsOfTheGameAndFromOldPlainVersions) {
    EXPECT_EQ(rw::decodeVersion(kStamp34), 0x34003U);
    EXPECT_EQ(rw::decodeVersion(kStamp33), 0x33002U);
    EXPECT_EQ(rw::decodeVersion(0x310), 0x31000U);
}

class CubeFile : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(CubeFile, ReadsAsTheCubeInModelSpaceWithTheRootMatrixIgnored) {
    const Mesh mesh = readClump(writeDff(cubeClump(), GetParam()));
    ASSERT_EQ(mesh.positions.size(), 24U);
    ASSERT_EQ(mesh.uvs.size(), 24U);
    ASSERT_EQ(mesh.triangles.size(), 12U);
    // The child frame's turn and move apply; the root's quarter turn and move up do not.
    const Bounds b = boundsOf(mesh);
    for (float lo : {b.lo.x, b.lo.y, b.lo.z}) {
        EXPECT_NEAR(lo, -1.0F, 1e-5F);
    }
    for (float hi : {b.hi.x, b.hi.y, b.hi.z}) {
        EXPECT_NEAR(hi, 1.0F, 1e-5F);
    }
    // The first face written is the -Z face; its first corner is (+1, +1, -1) at the red
    // block's top-left texel area.
    EXPECT_NEAR(mesh.positions[0].x, 1.0F, 1e-5F);
    EXPECT_NEAR(mesh.positions[0].z, -1.0F, 1e-5F);
    EXPECT_LT(mesh.uvs[0].u, 0.1F);
    EXPECT_LT(mesh.uvs[0].v, 0.1F);
}

TEST_P(CubeFile, TrianglesKeepTheirStoredCornerOrder) {
    const Mesh mesh = readClump(writeDff(cubeClump(), GetParam()));
    const std::array<std::uint32_t, 3> first{0, 1, 2}, second{1, 3, 2};
    EXPECT_EQ(mesh.triangles[0], first);
    EXPECT_EQ(mesh.triangles[1], second);
}

INSTANTIATE_TEST_SUITE_P(BothGameVersions, CubeFile, ::testing::Values(kStamp34, kStamp33));

TEST(Frames, ComposeUpToTheRootWithoutItsOwnMatrix) {
    std::vector<Frame> frames(3);
    frames[0].local.pos = {100, 100, 100};  // the root: ignored
    frames[1].parent = 0;
    frames[1].local.pos = {1, 0, 0};
    frames[2].parent = 1;
    frames[2].local.right = {0, 1, 0};  // x turns into y
    frames[2].local.up = {-1, 0, 0};
    frames[2].local.pos = {0, 2, 0};
    const std::vector<Affine> world = modelSpaceMatrices(frames);
    const Vec3 p = world[2].apply({1, 0, 0});
    EXPECT_FLOAT_EQ(p.x, 1.0F);
    EXPECT_FLOAT_EQ(p.y, 3.0F);
    EXPECT_FLOAT_EQ(p.z, 0.0F);
}

TEST(Frames, AChainOfAHundredThousandIsComposedWithoutRecursion) {
    std::vector<Frame> frames(100'000);
    for (std::size_t i = 1; i < frames.size(); ++i) {
        frames[i].parent = static_cast<std::int32_t>(i - 1);
        frames[i].local.pos = {0, 1e-3F, 0};
    }
    EXPECT_NEAR(modelSpaceMatrices(frames).back().pos.y, 100.0F, 0.1F);
}

// ---- damage ----

std::string notValid(const std::string& detail) {
    return "Player model is not valid: " + detail;
}

Bytes cubeWith(void (*change)(RwClump&)) {
    RwClump clump = cubeClump();
    change(clump);
    return writeDff(clump, kStamp34);
}

TEST(ClumpDamage, FramesWhoseParentsFormACycleOrPointOutside) {
    const Bytes cycle = cubeWith([](RwClump& c) {
        c.frames.push_back({});
        c.frames.push_back({});
        c.frames[2].parent = 3;
        c.frames[3].parent = 2;
    });
    EXPECT_TRUE(raises<EInvalidModel>([&] { readClump(cycle); },
                                      notValid("its frames' parents form a cycle")));
    const Bytes outside = cubeWith([](RwClump& c) { c.frames[1].parent = 7; });
    EXPECT_TRUE(raises<EInvalidModel>([&] { readClump(outside); },
                                      notValid("a frame names a parent outside the frame list")));
}

TEST(ClumpDamage, AtomicsNamingMissingFramesOrGeometries) {
    const Bytes frame = cubeWith([](RwClump& c) { c.atomics[0].first = 2; });
    EXPECT_TRUE(raises<EInvalidModel>([&] { readClump(frame); },
                                      notValid("an atomic names a frame the clump does not have")));
    const Bytes geometry = cubeWith([](RwClump& c) { c.atomics[0].second = 1; });
    EXPECT_TRUE(raises<EInvalidModel>(
        [&] { readClump(geometry); }, notValid("an atomic names a geometry the clump does not have")));
}

TEST(ClumpDamage, TriangleIndicesOutsideTheVertices) {
    const Bytes file = cubeWith([](RwClump& c) { c.geometries[0].triangles[5][2] = 24; });
    EXPECT_TRUE(raises<EInvalidModel>(
        [&] { readClump(file); }, notValid("a triangle names a vertex the geometry does not have")));
}

TEST(ClumpDamage, NotANumberInfiniteOrEnormousCoordinates) {
    for (float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                      1e30F}) {
        RwClump clump = cubeClump();
        clump.geometries[0].positions[3].y = bad;
        const Bytes file = writeDff(clump, kStamp34);
        EXPECT_TRUE(raises<EInvalidModel>(
            [&] { readClump(file); },
            notValid("a vertex lies outside the model's space or is not a number")))
            << bad;
    }
    RwClump scaled = cubeClump();
    scaled.frames[1].matrix[0] = 1e30F;  // a frame that blows the model up
    const Bytes file = writeDff(scaled, kStamp34);
    EXPECT_THROW(readClump(file), EInvalidModel);
}

TEST(ClumpDamage, ModelsThatWouldShowAsNothing) {
    // A frame matrix of zeros puts every vertex at the frame's origin; coordinates too small
    // for a float to tell apart do much the same.
    const Bytes zeroed = cubeWith([](RwClump& c) {
        for (int i = 0; i < 9; ++i) {
            c.frames[1].matrix[static_cast<std::size_t>(i)] = 0;
        }
    });
    EXPECT_TRUE(raises<EInvalidModel>(
        [&] { readClump(zeroed); }, notValid("its vertices all lie within a millimetre of one another")));
    const Bytes denormal = cubeWith([](RwClump& c) {
        for (Vec3& p : c.geometries[0].positions) {
            p = {p.x * 1e-40F, p.y * 1e-40F, p.z * 1e-40F};
        }
    });
    EXPECT_THROW(readClump(denormal), EInvalidModel);
    // Vertices spread along one line: every triangle is a line.
    const Bytes flat = cubeWith([](RwClump& c) {
        float along = 0;
        for (Vec3& p : c.geometries[0].positions) {
            p = {along, along * 2, 0};
            along += 0.25F;
        }
    });
    EXPECT_TRUE(raises<EInvalidModel>([&] { readClump(flat); },
                                      notValid("none of its triangles has any area")));
    // A millimetre and more across, with area, is a model.
    const Bytes small = cubeWith([](RwClump& c) {
        for (Vec3& p : c.geometries[0].positions) {
            p = {p.x * 0.002F, p.y * 0.002F, p.z * 0.002F};
        }
    });
    EXPECT_EQ(readClump(small).triangles.size(), 12U);
}

TEST(ClumpDamage, ConsoleFilesWithoutVertexData) {
    // Named for what they are, whether or not vertex data follows the counts.
    for (const bool countsOnly : {false, true}) {
        RwClump clump = cubeClump();
        clump.geometries[0].extraFlags = 0x01000000;
        clump.geometries[0].countsOnly = countsOnly;
        const Bytes file = writeDff(clump, kStamp34);
        EXPECT_TRUE(raises<EInvalidModel>(
            [&] { readClump(file); },
            notValid("a geometry holds no vertex data (a file made for a console)")))
            << countsOnly;
    }
}

TEST(ClumpDamage, CountsBeyondTheirChunkAreRefusedBeforeAllocating) {
    // A geometry claiming two billion vertices in a few hundred bytes.
    Bytes file = writeDff(cubeClump(), kStamp34);
    const RwGeometry g = cubeClump().geometries[0];
    // Find the geometry struct by its triangle and vertex counts and raise the vertex count.
    LeWriter counts;
    counts.u32(static_cast<std::uint32_t>(g.triangles.size())).u32(static_cast<std::uint32_t>(g.positions.size()));
    const auto at = std::search(file.begin(), file.end(), counts.result().begin(), counts.result().end());
    ASSERT_NE(at, file.end());
    LeWriter huge;
    huge.u32(0x7FFFFFFF);
    std::copy(huge.result().begin(), huge.result().end(), at + 4);
    EXPECT_TRUE(raises<EInvalidModel>([&] { readClump(file); },
                                      notValid("the geometry counts more vertices than it holds")));
}

TEST(ClumpDamage, ChunksLargerThanTheirParentOrTheFile) {
    Bytes file = writeDff(cubeClump(), kStamp34);
    file.resize(file.size() - 40);  // the clump now claims more than the file holds
    EXPECT_TRUE(raises<EInvalidModel>([&] { readClump(file); },
                                      notValid("a clump is larger than the file holding it")));
    LeWriter inner;  // a clump whose struct claims more than the clump
    inner.u32(0x01).u32(1000).u32(kStamp34).u32(1);
    const Bytes clump = rwChunk(0x10, kStamp34, inner.result());
    EXPECT_TRUE(raises<EInvalidModel>([&] { readClump(clump); },
                                      notValid("a struct is larger than the clump holding it")));
}

TEST(ClumpDamage, FilesWithoutAClumpOrWithoutTriangles) {
    EXPECT_TRUE(raises<EInvalidModel>([] { readClump(Bytes{}); },
                                      notValid("the file has no clump")));
    const Bytes empty = cubeWith([](RwClump& c) { c.atomics.clear(); });
    EXPECT_TRUE(raises<EInvalidModel>([&] { readClump(empty); }, notValid("it holds no triangles")));
}

TEST(ClumpDamage, AtomicsAskingForMoreTrianglesThanTheBudget) {
    // 10,000 atomics each placing a geometry of 30 triangles: small file, 300,000 triangles.
    RwClump clump;
    clump.frames.resize(1);
    RwGeometry g;
    g.positions.assign(3, Vec3{});
    g.triangles.assign(30, {0, 1, 2});
    clump.geometries = {g};
    clump.atomics.assign(10'000, {0, 0});
    const Bytes file = writeDff(clump, kStamp34);
    EXPECT_TRUE(raises<EInvalidModel>(
        [&] { readClump(file); },
        notValid("its atomics ask for more than 250000 triangles or vertices")));
}

}  // namespace
}  // namespace vestura::test
