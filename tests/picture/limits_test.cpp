#include "picture/limits.h"

#include <gtest/gtest.h>

namespace vestura {
namespace {

struct FitsCase {
    const char* name;
    std::int64_t width, height, rowBytes, bytesPerPixel, otherBytes;
    bool fits;
};

class LimitsFits : public testing::TestWithParam<FitsCase> {};

TEST_P(LimitsFits, CountsEveryCopyAgainstTheBudget) {
    const FitsCase& c = GetParam();
    EXPECT_EQ(limits::fits(c.width, c.height, c.rowBytes, c.bytesPerPixel, c.otherBytes), c.fits);
}

constexpr std::int64_t kBudget = limits::kMaxPictureBytes;
constexpr std::int64_t kSide = limits::kMaxDimension;

INSTANTIATE_TEST_SUITE_P(
    Cases, LimitsFits,
    testing::Values(
        // 2048 x 2048 at 32 bits with its drawing copy is exactly 32 MiB.
        FitsCase{"TrueColourAtTheBudget", 2048, 2048, 2048 * 4, 4, 0, true},
        FitsCase{"TrueColourOneRowOver", 2048, 2049, 2048 * 4, 4, 0, false},
        // The drawing copy counts: 8-bit rows alone would fit 5792 x 5792.
        FitsCase{"EightBitCountsTheDrawingCopy", 5792, 5792, 5792, 4, 0, false},
        FitsCase{"EightBitWithCopyFits", 2560, 2560, 2560, 4, 0, true},
        FitsCase{"WholePictureBytesCount", 1024, 1024, 1024, 4, kBudget - 5 * 1024 * 1024, true},
        FitsCase{"WholePictureBytesOverflowTheBudget", 1024, 1024, 1024, 4,
                 kBudget - 5 * 1024 * 1024 + 1, false},
        FitsCase{"StripAtTheSideLimit", kSide, 1, kSide * 4, 4, 0, true},
        FitsCase{"SideOverTheLimit", kSide + 1, 1, (kSide + 1) * 4, 4, 0, false},
        FitsCase{"NegativeSize", -1, 1, 4, 4, 0, false},
        FitsCase{"HugeOtherBytes", 1, 1, 4, 4, INT64_MAX, false},
        FitsCase{"HugeBytesPerPixel", 1, 1, 4, INT64_MAX, 0, false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vestura
