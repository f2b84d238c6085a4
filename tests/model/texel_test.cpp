// The 3D view's pixel arithmetic: the vector form must compute exactly what the plain form
// does, or the picture would depend on the processor.
#include <gtest/gtest.h>

#include <random>

#include "model/texel.h"

namespace vestura::test {
namespace {

TEST(Texel, TheVectorBlendEqualsThePlainOneEverywhere) {
    std::mt19937 random(20261209);
    std::uniform_int_distribution<std::uint32_t> colour(0, 0xFFFFFFFF);
    std::uniform_int_distribution<std::uint32_t> weight(0, texel::kOne);
    const std::uint32_t edges[] = {0, 1, 128, 255, 256};
    for (int i = 0; i < 200'000; ++i) {
        // Every tenth case puts weights and light at their ends, texels at black and white.
        const bool edge = i % 10 == 0;
        const auto pick = [&](std::uint32_t w) { return edge ? edges[w % 5] : w; };
        const QRgb p[4] = {colour(random), colour(random), edge ? 0xFFFFFFFFU : colour(random),
                           edge ? 0U : colour(random)};
        const std::uint32_t fx = pick(weight(random)), fy = pick(weight(random));
        const std::uint32_t light = pick(weight(random));
        ASSERT_EQ(texel::bilinearLit(p[0], p[1], p[2], p[3], fx, fy, light),
                  texel::bilinearLitScalar(p[0], p[1], p[2], p[3], fx, fy, light))
            << std::hex << p[0] << ' ' << p[1] << ' ' << p[2] << ' ' << p[3] << std::dec << " fx "
            << fx << " fy " << fy << " light " << light;
    }
}

TEST(Texel, AWholeWeightTakesOneTexelAndFullLightKeepsIt) {
    EXPECT_EQ(texel::bilinearLit(0xFF123456, 0xFFABCDEF, 0xFF000000, 0xFFFFFFFF, 0, 0, 256), 0xFF123456U);
    EXPECT_EQ(texel::bilinearLit(0xFF123456, 0xFFABCDEF, 0xFF000000, 0xFFFFFFFF, 256, 0, 256), 0xFFABCDEFU);
    EXPECT_EQ(texel::bilinearLit(0xFF123456, 0xFFABCDEF, 0xFF000000, 0xFFFFFFFF, 256, 256, 256), 0xFFFFFFFFU);
    EXPECT_EQ(texel::bilinearLit(0xFF808080, 0xFF808080, 0xFF808080, 0xFF808080, 77, 200, 128), 0xFF404040U);
}

}  // namespace
}  // namespace vestura::test
