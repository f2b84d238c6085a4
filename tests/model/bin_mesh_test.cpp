// Models drawn from their bin mesh section: lists and strips give the triangles the game
// draws, the cube reads and draws the same from either source, and damage in the section is
// refused with what was wrong.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "model/bin_mesh.h"
#include "model/clump_reader.h"
#include "model/model_errors.h"
#include "model/rasteriser.h"
#include "tests/support/raises.h"
#include "tests/support/rw_writer.h"

namespace vestura::test {
namespace {

using Triangles = std::vector<std::array<std::uint32_t, 3>>;
constexpr std::uint32_t kList = 0, kStrip = 1;

struct SectionCase {
    const char* name;
    RwBinMesh binMesh;
    Triangles triangles;
};

TEST(BinMesh, ListsAsTheyAreStripsTurnedIntoTrianglesOfOneOrientation) {
    const SectionCase cases[] = {
        {"list", {kList, {{0, 1, 2, 2, 1, 3}}}, {{0, 1, 2}, {2, 1, 3}}},
        {"list with indices left over", {kList, {{0, 1, 2, 3, 1}}}, {{0, 1, 2}}},
        {"strip: every other triangle turned round",
         {kStrip, {{0, 1, 2, 3, 4}}},
         {{0, 1, 2}, {1, 3, 2}, {2, 3, 4}}},
        {"strips joined by repeated indices",
         {kStrip, {{0, 1, 2, 3, 3, 4, 4, 5, 6, 7}}},
         {{0, 1, 2}, {1, 3, 2}, {4, 5, 6}, {5, 7, 6}}},
        {"each mesh a strip of its own",
         {kStrip, {{0, 1, 2}, {3, 4, 5, 6}, {7, 1}}},
         {{0, 1, 2}, {3, 4, 5}, {4, 6, 5}}},
        {"no meshes", {kStrip, {}}, {}},
    };
    for (const SectionCase& c : cases) {
        EXPECT_EQ(readBinMesh(binMeshPayload(c.binMesh), 8), c.triangles) << c.name;
    }
}

// The cube's faces as one list mesh per half, or as strips of two triangles joined by
// repeated indices, one mesh per half: the same triangles as its triangle list.
RwBinMesh cubeBinMesh(std::uint32_t kind) {
    RwBinMesh binMesh{kind, {{}, {}}};
    for (std::uint32_t face = 0; face < 6; ++face) {
        const std::uint32_t b = face * 4;
        auto& indices = binMesh.meshes[face / 3];
        if (kind == kList) {
            indices.insert(indices.end(), {b, b + 1, b + 2, b + 1, b + 3, b + 2});
            continue;
        }
        if (!indices.empty()) {
            indices.insert(indices.end(), {indices.back(), b});
        }
        indices.insert(indices.end(), {b, b + 1, b + 2, b + 3});
    }
    return binMesh;
}

struct SourceCase {
    const char* name;
    bool triangleList;
    std::optional<std::uint32_t> binMesh;
};

TEST(BinMesh, TheCubeReadsAndDrawsTheSameFromEitherSource) {
    const Mesh listed = readClump(writeDff(cubeClump(), kStamp34));
    const QImage picture = renderView(listed, cubeSkin(), {30, 20, 1}, {128, 128});
    const SourceCase cases[] = {
        {"bin mesh lists alone", false, kList},
        {"bin mesh strips alone", false, kStrip},
        {"bin mesh strips and the triangle list", true, kStrip},
    };
    for (const SourceCase& c : cases) {
        RwClump clump = cubeClump();
        if (!c.triangleList) {
            clump.geometries[0].triangles.clear();
        }
        clump.geometries[0].binMesh = cubeBinMesh(*c.binMesh);
        const Mesh mesh = readClump(writeDff(clump, kStamp34));
        EXPECT_EQ(mesh.triangles, listed.triangles) << c.name;
        EXPECT_EQ(mesh.outward, listed.outward) << c.name;
        EXPECT_EQ(renderView(mesh, cubeSkin(), {30, 20, 1}, {128, 128}), picture) << c.name;
    }
}

TEST(BinMesh, IsTakenOverTheTriangleListWhichIsThenNotRead) {
    RwClump clump = cubeClump();
    clump.geometries[0].triangles.resize(2);  // one face
    clump.geometries[0].triangles[1][2] = 999;
    clump.geometries[0].binMesh = cubeBinMesh(kList);
    EXPECT_EQ(readClump(writeDff(clump, kStamp34)).triangles.size(), 12U);
}

std::string notValid(const std::string& detail) {
    return "Player model is not valid: " + detail;
}

// The cube drawn from a bin mesh alone, whose section `change` damages.
Bytes cubeFromBinMesh(void (*change)(RwBinMesh&)) {
    RwClump clump = cubeClump();
    clump.geometries[0].triangles.clear();
    RwBinMesh binMesh = cubeBinMesh(kStrip);
    change(binMesh);
    clump.geometries[0].binMesh = binMesh;
    return writeDff(clump, kStamp34);
}

// Replaces the first 32-bit `from` after the bin mesh's chunk type with `to`.
Bytes patched(Bytes file, std::uint32_t from, std::uint32_t to) {
    const Bytes type{0x0E, 0x05, 0, 0};
    auto at = std::search(file.begin(), file.end(), type.begin(), type.end());
    const Bytes old{static_cast<std::uint8_t>(from), static_cast<std::uint8_t>(from >> 8),
                    static_cast<std::uint8_t>(from >> 16), static_cast<std::uint8_t>(from >> 24)};
    at = std::search(at + 12, file.end(), old.begin(), old.end());
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<std::uint8_t>(to >> (8 * i));
    }
    return file;
}

TEST(BinMeshDamage, IsRefusedWithWhatWasWrong) {
    const Bytes plain = cubeFromBinMesh([](RwBinMesh&) {});
    const Bytes overBudget = cubeFromBinMesh([](RwBinMesh& b) {
        b.meshes[1].assign(250'003, 0);  // 250,001 triangles at most, though all repeats
    });
    const struct {
        const char* name;
        Bytes file;
        std::string detail;
    } cases[] = {
        {"an index past the vertices",
         cubeFromBinMesh([](RwBinMesh& b) { b.meshes[1].back() = 24; }),
         "a bin mesh names a vertex the geometry does not have"},
        {"triangle fans", cubeFromBinMesh([](RwBinMesh& b) { b.kind = 2; }),
         "a bin mesh holds neither triangle lists nor triangle strips"},
        // The mesh count (2) follows the kind (1); the first index count (16) the total (32).
        {"more meshes than it holds", patched(plain, 2, 0x10000000),
         "the bin mesh counts more meshes than it holds"},
        {"more indices than it holds", patched(plain, 16, 0x7FFFFFFF),
         "the bin mesh counts more indices than it holds"},
        {"more triangles than a mesh may hold", overBudget,
         "a bin mesh asks for more than 250000 triangles"},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(raises<EInvalidModel>([&] { readClump(c.file); }, notValid(c.detail)))
            << c.name;
    }
}

}  // namespace
}  // namespace vestura::test
