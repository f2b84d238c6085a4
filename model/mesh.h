// One textured triangle mesh in the game's model space (+Y up, right-handed), every
// material drawn with the one skin texture.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace vestura {

struct Vec3 {
    float x = 0, y = 0, z = 0;
};

struct Vec2 {
    float u = 0, v = 0;
};

struct Mesh {
    std::vector<Vec3> positions;
    std::vector<Vec2> uvs;  // one per position; (0, 0) is the skin's top-left corner
    std::vector<std::array<std::uint32_t, 3>> triangles;
    // Empty, or one per triangle as outwardSides gives: which side of a triangle on a closed
    // surface faces out (+1, -1), or 0 for a triangle drawn from both sides.
    std::vector<std::int8_t> outward;
};

}  // namespace vestura
