// Reads the first clump of a RenderWare stream (a .dff file) into one mesh in model space:
// every atomic's geometry placed by its frame, with the root frame's own matrix ignored as
// the game's skins menu does. A geometry's triangles come from its bin mesh section as the
// game draws them, or from its triangle list when it has no bin mesh.
#pragma once

#include <span>
#include <cstdint>

#include "model/mesh.h"

namespace vestura {

// Raises EInvalidModel saying what is wrong with the file.
Mesh readClump(std::span<const std::uint8_t> file);

}  // namespace vestura
