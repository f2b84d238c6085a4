// A geometry's bin mesh section: its triangles grouped by material into meshes, each a
// triangle list or a triangle strip of 32-bit vertex indices. The game draws a model from
// these rather than from the geometry's own triangle list, which some exporters leave empty.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "model/rw_stream.h"

namespace vestura {

// The section's triangles in the corner order of the geometry's triangle list: lists as they
// are, strips as one triangle per index past the second with every other one turned round so
// all keep the strip's orientation, less the triangles that repeat a vertex (the joins
// between strips). The material of each mesh is not kept: every material is drawn with the
// one skin. Raises EInvalidModel for an index at or past `vertices`, counts beyond the
// section, a kind other than lists or strips, or more triangles than a mesh may hold.
std::vector<std::array<std::uint32_t, 3>> readBinMesh(rw::Span section, std::uint32_t vertices);

}  // namespace vestura
