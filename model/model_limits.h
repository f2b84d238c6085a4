// What a player model may ask of us. The game's own player.dff is about 100 KiB with a few
// thousand triangles; modded high-detail models reach a few MiB. These bounds are policy
// sized far above that and far below what would break the 1 s / 256 MiB goal for any file.
#pragma once

#include <cstdint>

namespace vestura::model_limits {

// Safety: the archive entry is read whole; larger entries are refused before reading.
inline constexpr std::uint64_t kMaxEntryBytes = std::uint64_t{32} << 20;
// Safety: the directory is scanned in blocks until the first match; past this it is refused.
inline constexpr std::uint64_t kMaxDirectoryBytes = std::uint64_t{16} << 20;
// Safety: vertices and triangles of the finished mesh, over every atomic. An atomic copies
// its geometry, so a file can ask for far more than it holds. A mod of many times the game's
// detail stays far below this; at it, a view of the largest size with the largest skin is
// read, drawn and written within a second, and the mesh takes under 10 MiB.
inline constexpr std::uint64_t kMaxMeshVertices = 250'000;
inline constexpr std::uint64_t kMaxMeshTriangles = 250'000;
// Policy: coordinates in model units (metres). The player is under 2 m tall; anything beyond
// this is damage, and would otherwise shrink the model to a dot or overflow the camera.
inline constexpr float kMaxCoordinate = 100'000.0F;
// Policy: a model less than a millimetre across is damage too (a frame matrix of zeros,
// coordinates too small for a float to hold well); it would show as nothing.
inline constexpr float kMinExtent = 0.001F;

}  // namespace vestura::model_limits
