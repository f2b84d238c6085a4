// Which triangles lie on closed surfaces, and which of their sides faces out. The view's
// camera always stands outside the model's bounding sphere, so outside every closed surface:
// a triangle of one whose inner side is turned to the viewer is hidden behind the surface's
// nearer part, and need not be drawn. Every other triangle is drawn from both sides.
#pragma once

#include <cstdint>
#include <vector>

#include "model/mesh.h"

namespace vestura {

// Larger meshes are not examined (all their triangles are then drawn from both sides): the
// work grows a little faster than the triangles and vertices. A model as read is never
// larger.
inline constexpr std::size_t kMaxExaminedTriangles = 250'000;
inline constexpr std::size_t kMaxExaminedVertices = 250'000;

// One entry per triangle: +1 when the triangle lies on a closed surface and its corners
// turn counter-clockwise seen from outside (its normal (v1 - v0) x (v2 - v0) points out),
// -1 when they turn clockwise, 0 when it lies on no closed surface. Corners at the same
// position count as one vertex, so seams where a model repeats a vertex for its texture
// coordinates do not open a surface. A surface is closed when each of its edges is shared
// by exactly two of its triangles, running opposite ways.
std::vector<std::int8_t> outwardSides(const Mesh& mesh);

}  // namespace vestura
