// A small writer of RenderWare streams (.dff files) and gta3.dir/gta3.img archives, for
// the player model's tests: a clump of frames, geometries and atomics in either file
// version, with the junk and plugin chunks real files carry and, when asked, a bin mesh.
#pragma once

#include <QImage>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/file_io.h"
#include "model/mesh.h"

namespace vestura::test {

inline constexpr std::uint32_t kStamp34 = 0x1003FFFF;  // 3.4.0.3
inline constexpr std::uint32_t kStamp33 = 0x0C02FFFF;  // 3.3.0.2

struct RwFrame {
    std::array<float, 12> matrix{1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};  // right, up, at, pos
    std::int32_t parent = -1;
};

// A geometry's bin mesh section: every mesh a triangle list (kind 0) or a strip (kind 1).
struct RwBinMesh {
    std::uint32_t kind = 0;
    std::vector<std::vector<std::uint32_t>> meshes;  // each mesh's indices
};

struct RwGeometry {
    std::vector<Vec3> positions;
    std::vector<Vec2> uvs;  // empty: no texture coordinates
    std::vector<std::array<std::uint16_t, 3>> triangles;  // (v0, v1, v2)
    std::uint32_t extraFlags = 0;  // or'ed into the format flags
    bool countsOnly = false;       // as a console's file: the counts, and none of the data
    // Written in the geometry's extension, after its unknown plugin.
    std::optional<RwBinMesh> binMesh;
};

struct RwClump {
    std::vector<RwFrame> frames;
    std::vector<RwGeometry> geometries;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> atomics;  // (frame, geometry)
};

// The bin mesh section's payload: kind, counts, then each mesh with material 0.
Bytes binMeshPayload(const RwBinMesh& binMesh);

// One chunk: type, size, stamp, payload.
Bytes rwChunk(std::uint32_t type, std::uint32_t stamp, const Bytes& payload);

// The clump as a .dff file: a junk chunk before it, and an unknown plugin chunk in the
// extension of each frame, geometry and atomic.
Bytes writeDff(const RwClump& clump, std::uint32_t stamp);

// The test cube, 2 units wide around the origin in model space, each face showing one block
// of cubeSkin(). Its geometry is stored under a child frame turned 90 degrees about Y, below
// a root frame whose own matrix (a turn and a move) the game ignores.
RwClump cubeClump();

// The colour each face of the cube shows, by the face's outward direction in model space.
inline constexpr QRgb kCubeMinusZ = 0xFFFF0000;  // red: seen at yaw 0
inline constexpr QRgb kCubePlusX = 0xFF00FF00;   // green: yaw 90
inline constexpr QRgb kCubePlusZ = 0xFF0000FF;   // blue: yaw 180
inline constexpr QRgb kCubeMinusX = 0xFFFFFF00;  // yellow: yaw 270
inline constexpr QRgb kCubePlusY = 0xFFFF00FF;   // magenta: from above
inline constexpr QRgb kCubeMinusY = 0xFF00FFFF;  // cyan: from below

// A 256 x 256 skin of six blocks (three across, two down) in the colours above, in the order
// -Z, +X, +Z on the top row and -X, +Y, -Y below.
QImage cubeSkin();

// One record of a gta3.dir: the name and the bytes its entry holds.
struct ArchiveEntry {
    std::string name;  // up to 24 characters, NUL-padded
    Bytes content;     // padded to whole 2048-byte sectors in the archive
};
// Writes models/gta3.dir and models/gta3.img below `gameFolder` (ending with "/").
void writeArchive(const std::string& gameFolder, const std::vector<ArchiveEntry>& entries);

// The closest colour of a small palette: which face a pixel shows, whatever its lighting.
QRgb faceColour(QRgb pixel);

}  // namespace vestura::test
