// RLE8 and RLE4 pixel data: each command, and data that leaves the picture or ends early.
#include <gtest/gtest.h>

#include "picture/bmp/bmp_reader.h"
#include "tests/support/bmp_builder.h"

namespace vestura {
namespace {

using test::BmpBuilder;
namespace rle = test::rle;

using IndexRows = std::vector<std::vector<int>>;  // top row first

struct RleCase {
    const char* name;
    int bitsPerPixel;  // 8: RLE8, 4: RLE4
    int width;
    int height;
    Bytes data;
    IndexRows expected;
};

void PrintTo(const RleCase& c, std::ostream* out) {
    *out << c.name;
}

IndexRows indexesOf(const QImage& image) {
    IndexRows rows;
    for (int y = 0; y < image.height(); ++y) {
        rows.emplace_back();
        for (int x = 0; x < image.width(); ++x) {
            rows.back().push_back(image.pixelIndex(x, y));
        }
    }
    return rows;
}

class RleData : public ::testing::TestWithParam<RleCase> {};

TEST_P(RleData, DecodesToTheExpectedIndexes) {
    const RleCase& c = GetParam();
    const Bytes file = BmpBuilder()
                           .size(c.width, c.height)
                           .bitsPerPixel(static_cast<std::uint16_t>(c.bitsPerPixel))
                           .compression(c.bitsPerPixel == 8 ? 1 : 2)
                           .colorsUsed(16)
                           .colorTable(std::vector<QRgb>(16, 0xFF102030))
                           .pixelData(c.data)
                           .build();
    const QImage image = readBmpFile(file).image;
    ASSERT_EQ(image.format(), QImage::Format_Indexed8);
    EXPECT_EQ(indexesOf(image), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rle8, RleData,
    ::testing::Values(
        RleCase{"RunsAndEndOfLine",
                8,
                4,
                3,
                rle::join({rle::run(4, 1), rle::endOfLine(), rle::run(2, 2), rle::endOfLine(),
                           rle::run(4, 3), rle::endOfBitmap()}),
                {{3, 3, 3, 3}, {2, 2, 0, 0}, {1, 1, 1, 1}}},
        RleCase{"AbsoluteRunSkipsItsPadByte",
                8,
                4,
                1,
                rle::join({rle::absolute({5, 6, 7}, 8), rle::run(1, 8), rle::endOfBitmap()}),
                {{5, 6, 7, 8}}},
        RleCase{"DeltaMovesRightAndUpLeavingIndexZero",
                8,
                4,
                2,
                rle::join({rle::run(1, 1), rle::delta(2, 1), rle::run(1, 2), rle::endOfBitmap()}),
                {{0, 0, 0, 2}, {1, 0, 0, 0}}},
        RleCase{"EndOfBitmapStops",
                8,
                4,
                2,
                rle::join({rle::run(2, 1), rle::endOfBitmap(), rle::run(4, 2)}),
                {{0, 0, 0, 0}, {1, 1, 0, 0}}},
        RleCase{"RunPastTheRightEdgeIsDroppedNotWrapped",
                8,
                4,
                2,
                rle::join({rle::run(6, 1), rle::run(1, 2), rle::endOfBitmap()}),
                {{0, 0, 0, 0}, {1, 1, 1, 1}}},
        RleCase{"AbsoluteRunPastTheRightEdgeIsDropped",
                8,
                4,
                1,
                rle::join({rle::absolute({1, 2, 3, 4, 5, 6}, 8), rle::run(1, 7)}),
                {{1, 2, 3, 4}}},
        RleCase{"RowsAboveTheTopAreDropped",
                8,
                4,
                2,
                rle::join({rle::endOfLine(), rle::run(2, 4), rle::endOfLine(), rle::run(4, 9)}),
                {{4, 4, 0, 0}, {0, 0, 0, 0}}},
        RleCase{"DeltaAboveTheTopEndsTheDrawing",
                8,
                4,
                2,
                rle::join({rle::delta(0, 200), rle::run(4, 1)}),
                {{0, 0, 0, 0}, {0, 0, 0, 0}}},
        RleCase{"DeltaPastTheRightEdgeDrawsNothingOnThatRow",
                8,
                4,
                2,
                rle::join({rle::delta(250, 0), rle::run(4, 1), rle::endOfLine(), rle::run(1, 2)}),
                {{2, 0, 0, 0}, {0, 0, 0, 0}}},
        RleCase{"DataEndingWithoutEndOfBitmapKeepsWhatItDrew",
                8,
                4,
                2,
                rle::run(2, 3),
                {{0, 0, 0, 0}, {3, 3, 0, 0}}},
        RleCase{"AbsoluteRunCutByTheEndOfData", 8, 4, 1, Bytes{0, 4, 5, 6}, {{5, 6, 0, 0}}},
        RleCase{"LoneEscapeByteAtTheEnd", 8, 2, 1, Bytes{2, 7, 0}, {{7, 7}}},
        RleCase{"EmptyData", 8, 2, 1, Bytes{}, {{0, 0}}}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Rle4, RleData,
    ::testing::Values(
        RleCase{"RunAlternatesNibbles",
                4,
                6,
                1,
                rle::join({rle::run(5, 0x12), rle::endOfBitmap()}),
                {{1, 2, 1, 2, 1, 0}}},
        RleCase{
            "AbsoluteRunOfOddLengthSkipsItsPadByte",
            4,
            6,
            1,
            rle::join({rle::absolute({1, 2, 3, 4, 5}, 4), rle::run(1, 0x60), rle::endOfBitmap()}),
            {{1, 2, 3, 4, 5, 6}}},
        RleCase{"AbsoluteRunOfThreeNeedsNoPad",
                4,
                6,
                1,
                rle::join({rle::absolute({3, 4, 5}, 4), rle::run(2, 0x77), rle::endOfBitmap()}),
                {{3, 4, 5, 7, 7, 0}}},
        RleCase{"DeltaAndEndOfLine",
                4,
                3,
                3,
                rle::join({rle::run(1, 0xF0), rle::delta(1, 1), rle::run(1, 0xE0), rle::endOfLine(),
                           rle::run(3, 0xDD), rle::endOfBitmap()}),
                {{13, 13, 13}, {0, 0, 14}, {15, 0, 0}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RleBitmap, PixelsNeverWrittenAreIndexZeroEvenInReusedMemory) {
    // Decode and drop a picture full of index 7 first, so the RLE picture's memory is
    // likely to be the same, still holding 7s.
    constexpr int kSide = 64;
    const auto table = std::vector<QRgb>(16, 0xFF000000);
    const std::vector<std::uint8_t> sevens(kSide, 7);
    const auto make = [&] {
        return BmpBuilder().size(kSide, kSide).bitsPerPixel(8).colorTable(table);
    };
    readBmpFile(make().indexRows(std::vector(kSide, sevens)).build());
    const QImage image =
        readBmpFile(
            make().compression(1).pixelData(rle::join({rle::delta(3, 5), rle::run(1, 2)})).build())
            .image;
    IndexRows expected(kSide, std::vector<int>(kSide, 0));
    expected[kSide - 1 - 5][3] = 2;
    EXPECT_EQ(indexesOf(image), expected);
}

TEST(RleBitmap, CarriesTheColourTableOpaque) {
    const Bytes file = BmpBuilder()
                           .size(2, 1)
                           .bitsPerPixel(8)
                           .compression(1)
                           .colorTable({0x00112233, 0x00445566})
                           .pixelData(rle::join({rle::run(1, 1), rle::run(1, 0)}))
                           .build();
    const QImage image = readBmpFile(file).image;
    EXPECT_EQ(image.pixel(0, 0), 0xFF445566);
    EXPECT_EQ(image.pixel(1, 0), 0xFF112233);
}

}  // namespace
}  // namespace vestura
