// The frame hierarchy of a clump: each frame's matrix relative to its parent, composed up to
// the root into a matrix in model space.
#pragma once

#include <cstdint>
#include <vector>

#include "model/mesh.h"

namespace vestura {

// A RenderWare frame matrix, applied to row vectors: x * right + y * up + z * at + pos.
struct Affine {
    Vec3 right{1, 0, 0}, up{0, 1, 0}, at{0, 0, 1}, pos{};

    Vec3 apply(const Vec3& p) const;
    Vec3 applyLinear(const Vec3& p) const;
    // `this` after `inner`: the matrix that applies `inner`, then this one.
    Affine after(const Affine& inner) const;
};

struct Frame {
    Affine local;
    std::int32_t parent = -1;  // -1 for a root
};

// Every frame's matrix in model space. Frame 0, the root the game replaces with its camera,
// counts as the identity. Raises EInvalidModel for a parent outside the list or a cycle of
// parents. Works without recursion, so a chain of any length is composed in one pass.
std::vector<Affine> modelSpaceMatrices(const std::vector<Frame>& frames);

}  // namespace vestura
