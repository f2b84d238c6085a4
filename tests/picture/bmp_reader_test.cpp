// The BMP reader on files made by BmpBuilder: every layout, header kind and odd form that
// real files take, and the headers it refuses.
#include "picture/bmp/bmp_reader.h"

#include <gtest/gtest.h>

#include <array>

#include "common/errors.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/raises.h"

namespace vestura {
namespace {

using test::BmpBuilder;
using test::BmpHeaderKind;
using test::raises;

constexpr QRgb kRed = 0xFFFF0000;
constexpr QRgb kGreen = 0xFF00FF00;
constexpr QRgb kBlue = 0xFF0000FF;
constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr QRgb kBlack = 0xFF000000;
constexpr std::string_view kInvalid = "Bitmap image is not valid";
constexpr std::string_view kReadError = "Stream read error";

// A colour table whose entries all differ.
std::vector<QRgb> ramp(int count) {
    std::vector<QRgb> colors;
    for (int i = 0; i < count; ++i) {
        colors.push_back(qRgb(i, 255 - i, i / 2));
    }
    return colors;
}

// Top-left, top-right, bottom-left, bottom-right of a 2 x 2 picture.
using Corners = std::array<QRgb, 4>;

Corners cornersOf(const QImage& image) {
    return {image.pixel(0, 0), image.pixel(1, 0), image.pixel(0, 1), image.pixel(1, 1)};
}

QImage decode(const Bytes& file) {
    return readBmpFile(file).image;
}

struct LayoutCase {
    const char* name;
    Bytes file;
    QImage::Format format;
    Corners corners;
};

void PrintTo(const LayoutCase& c, std::ostream* out) {
    *out << c.name;
}

class BmpLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(BmpLayout, DecodesToOpaqueColoursInTheExpectedFormat) {
    const QImage image = decode(GetParam().file);
    ASSERT_EQ(image.size(), QSize(2, 2));
    EXPECT_EQ(image.format(), GetParam().format);
    EXPECT_EQ(cornersOf(image), GetParam().corners);
}

BmpBuilder twoByTwo(int bits) {
    return BmpBuilder().size(2, 2).bitsPerPixel(bits);
}

const auto r16 = ramp(16);
const auto r256 = ramp(256);

INSTANTIATE_TEST_SUITE_P(
    Layouts, BmpLayout,
    ::testing::Values(
        LayoutCase{"Indexed1",
                   twoByTwo(1).colorTable({kRed, kGreen}).indexRows({{0, 1}, {1, 0}}).build(),
                   QImage::Format_Indexed8,
                   {kRed, kGreen, kGreen, kRed}},
        LayoutCase{"Indexed4",
                   twoByTwo(4).colorTable(r16).indexRows({{9, 3}, {0, 15}}).build(),
                   QImage::Format_Indexed8,
                   {r16[9], r16[3], r16[0], r16[15]}},
        LayoutCase{"Indexed8",
                   twoByTwo(8).colorTable(r256).indexRows({{200, 7}, {255, 0}}).build(),
                   QImage::Format_Indexed8,
                   {r256[200], r256[7], r256[255], r256[0]}},
        LayoutCase{"Bgr24",
                   twoByTwo(24)
                       .rows({test::pixels24({kRed, kGreen}), test::pixels24({kBlue, kWhite})})
                       .build(),
                   QImage::Format_BGR888,
                   {kRed, kGreen, kBlue, kWhite}},
        LayoutCase{"Rgb16WithoutMasksIs555",
                   twoByTwo(16)
                       .rows({test::pixels16({0x7C00, 0x03E0}), test::pixels16({0x001F, 0x7FFF})})
                       .build(),
                   QImage::Format_RGB32,
                   {kRed, kGreen, kBlue, kWhite}},
        LayoutCase{"Rgb16Masks565AfterInfoHeader",
                   twoByTwo(16)
                       .masks(0xF800, 0x07E0, 0x001F)
                       .rows({test::pixels16({0xF800, 0x07E0}), test::pixels16({0x001F, 0})})
                       .build(),
                   QImage::Format_RGB32,
                   {kRed, kGreen, kBlue, kBlack}},
        LayoutCase{"Rgb16Masks4444InsideV5HeaderAlphaIgnored",
                   twoByTwo(16)
                       .header(BmpHeaderKind::V5)
                       .masks(0x0F00, 0x00F0, 0x000F)
                       .rows({test::pixels16({0x0F00, 0x70F0}), test::pixels16({0x000F, 0xFFFF})})
                       .build(),
                   QImage::Format_RGB32,
                   {kRed, kGreen, kBlue, kWhite}},
        LayoutCase{"Rgb32WithoutMasksIs888AlphaIgnored",
                   twoByTwo(32)
                       .rows({test::pixels32({0x00FF0000, 0x1200FF00}),
                              test::pixels32({0x800000FF, 0xFFFFFFFF})})
                       .build(),
                   QImage::Format_RGB32,
                   {kRed, kGreen, kBlue, kWhite}},
        LayoutCase{"Rgb32Masks101010AfterInfoHeader",
                   twoByTwo(32)
                       .masks(0x3FF00000, 0x000FFC00, 0x000003FF)
                       .rows({test::pixels32({0x3FF00000, 0x000FFC00}),
                              test::pixels32({0x000003FF, 0xC0000000})})
                       .build(),
                   QImage::Format_RGB32,
                   {kRed, kGreen, kBlue, kBlack}},
        LayoutCase{"Rgb32MasksInside52ByteHeader",
                   twoByTwo(32)
                       .header(BmpHeaderKind::V2)
                       .masks(0xFF000000, 0x00FF0000, 0x0000FF00)
                       .rows({test::pixels32({0xFF000000, 0x00FF0000}),
                              test::pixels32({0x0000FF00, 0xFFFFFFFF})})
                       .build(),
                   QImage::Format_RGB32,
                   {kRed, kGreen, kBlue, kWhite}},
        LayoutCase{
            "Indexed8InV4Header",
            twoByTwo(8)
                .header(BmpHeaderKind::V4)
                .colorTable(r256)
                .indexRows({{1, 2}, {3, 4}})
                .build(),
            QImage::Format_Indexed8,
            {r256[1], r256[2], r256[3], r256[4]}},
        LayoutCase{"Bgr24WithAColourTableThatIsSkipped",
                   twoByTwo(24)
                       .colorTable(ramp(3))
                       .rows({test::pixels24({kRed, kGreen}), test::pixels24({kBlue, kWhite})})
                       .build(),
                   QImage::Format_BGR888,
                   {kRed, kGreen, kBlue, kWhite}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BmpReader, WidensChannelsToTheNearestEightBitLevel) {
    // 5-bit 3 -> round(3 * 255 / 31) = 25 (bit replication would give 24);
    // 6-bit 32 -> round(32 * 255 / 63) = 130; 5-bit 30 -> 247.
    const QImage image = decode(BmpBuilder()
                                    .size(1, 1)
                                    .bitsPerPixel(16)
                                    .masks(0xF800, 0x07E0, 0x001F)
                                    .rows({test::pixels16({(3 << 11) | (32 << 5) | 30})})
                                    .build());
    EXPECT_EQ(image.pixel(0, 0), qRgb(25, 130, 247));
}

TEST(BmpReader, CoreHeaderWithThreeByteEntriesEqualsTheInfoHeaderForm) {
    const std::vector<std::vector<std::uint8_t>> rows{{1, 0, 1}, {1, 1, 0}};
    for (const int bits : {1, 4, 8}) {
        const auto make = [&](BmpHeaderKind kind) {
            return BmpBuilder()
                .header(kind)
                .size(3, 2)
                .bitsPerPixel(bits)
                .colorTable(ramp(1 << bits))
                .indexRows(rows)
                .build();
        };
        const DecodedBitmap core = readBmpFile(make(BmpHeaderKind::Core));
        const DecodedBitmap info = readBmpFile(make(BmpHeaderKind::Info));
        EXPECT_EQ(core.image, info.image) << bits;
        EXPECT_EQ(core.image.pixel(0, 0), ramp(2)[1]) << bits;
        EXPECT_EQ(core.info.colorsUsed, info.info.colorsUsed) << bits;
    }
}

TEST(BmpReader, TopDownRowsShowUprightWithAPositiveHeight) {
    const std::vector<Bytes> rows{test::pixels24({kRed, kGreen}), test::pixels24({kBlue, kWhite})};
    const QImage bottomUp = decode(twoByTwo(24).rows(rows).build());
    const QImage topDown = decode(twoByTwo(24).topDown().rows(rows).build());
    EXPECT_EQ(topDown.height(), 2);
    EXPECT_EQ(topDown, bottomUp);
    EXPECT_EQ(cornersOf(topDown), (Corners{kRed, kGreen, kBlue, kWhite}));
}

TEST(BmpReader, ImageSizeZeroCountsThePaddedRows) {
    const QImage image =
        decode(twoByTwo(24)
                   .imageSize(0)
                   .rows({test::pixels24({kRed, kGreen}), test::pixels24({kBlue, kWhite})})
                   .build());
    EXPECT_EQ(cornersOf(image), (Corners{kRed, kGreen, kBlue, kWhite}));
}

TEST(BmpReader, MissingPixelBytesAreZeroInTheTopRowsOfABottomUpFile) {
    // Three rows of 4 bytes each; the data stops one byte into the middle row.
    const auto table = ramp(256);
    const Bytes file = BmpBuilder()
                           .size(4, 3)
                           .bitsPerPixel(8)
                           .colorTable(table)
                           .imageSize(12)
                           .pixelData({7, 7, 7, 7, 9})
                           .build();
    const QImage image = decode(file);
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(image.pixel(x, 2), table[7]) << x;  // bottom row: present
        EXPECT_EQ(image.pixel(x, 0), table[0]) << x;  // top row: missing
    }
    EXPECT_EQ(image.pixel(0, 1), table[9]);
    EXPECT_EQ(image.pixel(1, 1), table[0]);
}

TEST(BmpReader, MissingPixelBytesAreZeroInTheBottomRowsOfATopDownFile) {
    const Bytes file = twoByTwo(24).topDown().pixelData(test::pixels24({kRed, kGreen})).build();
    EXPECT_EQ(cornersOf(decode(file)), (Corners{kRed, kGreen, kBlack, kBlack}));
}

TEST(BmpReader, GapBeforeThePixelsIsSkippedWhenTheOffsetPointsPastIt) {
    const std::vector<Bytes> rows{test::pixels24({kRed, kGreen}), test::pixels24({kBlue, kWhite})};
    const QImage plain = decode(twoByTwo(24).rows(rows).build());
    EXPECT_EQ(decode(twoByTwo(24).gap(100).rows(rows).build()), plain);
    EXPECT_EQ(decode(twoByTwo(8).colorTable(ramp(256)).gap(3).indexRows({{1, 2}, {3, 4}}).build()),
              decode(twoByTwo(8).colorTable(ramp(256)).indexRows({{1, 2}, {3, 4}}).build()));
}

TEST(BmpReader, OffsetInsideTheColourTableOrPastTheFileMeansRightAfterTheTable) {
    const auto rows = std::vector<std::vector<std::uint8_t>>{{1, 2}, {3, 4}};
    const QImage plain = decode(twoByTwo(8).colorTable(ramp(256)).indexRows(rows).build());
    EXPECT_EQ(decode(twoByTwo(8).colorTable(ramp(256)).pixelOffset(60).indexRows(rows).build()),
              plain);
    EXPECT_EQ(
        decode(twoByTwo(8).colorTable(ramp(256)).pixelOffset(0xFFFFFFF0u).indexRows(rows).build()),
        plain);
}

TEST(BmpReader, IndexesBeyondTheColourTableDrawBlack) {
    const QImage image =
        decode(twoByTwo(8).colorTable({kRed, kGreen}).indexRows({{0, 1}, {2, 255}}).build());
    EXPECT_EQ(cornersOf(image), (Corners{kRed, kGreen, kBlack, kBlack}));
    const QImage oneColour =
        decode(twoByTwo(1).colorTable({kWhite}).indexRows({{0, 1}, {1, 0}}).build());
    EXPECT_EQ(cornersOf(oneColour), (Corners{kWhite, kBlack, kBlack, kWhite}));
}

TEST(BmpReader, ColourTableIsOpaqueWhateverItsReservedByte) {
    Bytes file = twoByTwo(8).colorTable({kRed, kGreen}).indexRows({{0, 1}, {1, 0}}).build();
    file[54 + 3] = 0x00;
    file[54 + 7] = 0x7F;
    EXPECT_EQ(decode(file).colorTable().at(1), kGreen);
}

TEST(BmpReader, ReportsWhatTheFileSaysOfItself) {
    const DecodedBitmap decoded =
        readBmpFile(twoByTwo(4).colorTable(ramp(5)).indexRows({{0, 1}, {2, 3}}).build());
    EXPECT_EQ(decoded.info.bitsPerPixel, 4);
    EXPECT_EQ(decoded.info.colorsUsed, 5u);
    EXPECT_EQ(decoded.info.xPelsPerMeter, 2835);
    const DecodedBitmap full = readBmpFile(
        twoByTwo(1).colorsUsed(0).colorTable({kRed, kBlue}).indexRows({{0, 1}, {1, 0}}).build());
    EXPECT_EQ(full.info.colorsUsed, 2u);
}

TEST(BmpReader, ZeroByteFileIsAnEmptyBitmap) {
    const DecodedBitmap decoded = readBmpFile({});
    EXPECT_TRUE(decoded.image.isNull());
}

TEST(BmpReader, ZeroWidthOrHeightIsAnEmptyBitmap) {
    EXPECT_TRUE(decode(BmpBuilder().size(0, 5).build()).isNull());
    EXPECT_TRUE(decode(BmpBuilder().size(5, 0).build()).isNull());
}

TEST(BmpReader, HugeHeaderInATinyFileFailsAtOnce) {
    Bytes file = BmpBuilder().size(30000, 30000).bitsPerPixel(24).pixelData(Bytes(46, 0)).build();
    ASSERT_EQ(file.size(), 100u);
    // Refused from the header alone, before anything is allocated for its 2.7 GB.
    EXPECT_TRUE(raises<EInvalidGraphic>([&] { readBmpFile(file); }, kInvalid));
}

TEST(BmpReader, PictureWhoseDecodedRowsExceedTheLimitIsRefused) {
    // 16-bit rows of 10000 x 8000 take 160 MB stored but 320 MB as 32-bit pixels.
    const Bytes file = BmpBuilder().size(10000, 8000).bitsPerPixel(16).pixelData({}).build();
    EXPECT_TRUE(raises<EInvalidGraphic>([&] { readBmpFile(file); }, kInvalid));
}

struct RefusedCase {
    const char* name;
    Bytes file;
    bool readError;  // "Stream read error" rather than "Bitmap image is not valid"
};

void PrintTo(const RefusedCase& c, std::ostream* out) {
    *out << c.name;
}

class BmpRefused : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(BmpRefused, FailsWithItsMessage) {
    const Bytes& file = GetParam().file;
    if (GetParam().readError) {
        EXPECT_TRUE(raises<EReadError>([&] { readBmpFile(file); }, kReadError));
    } else {
        EXPECT_TRUE(raises<EInvalidGraphic>([&] { readBmpFile(file); }, kInvalid));
    }
}

Bytes cut(Bytes file, std::size_t size) {
    file.resize(size);
    return file;
}

Bytes withSignature(Bytes file, char first, char second) {
    file[0] = static_cast<std::uint8_t>(first);
    file[1] = static_cast<std::uint8_t>(second);
    return file;
}

const Bytes kGood =
    twoByTwo(24).rows({test::pixels24({kRed, kRed}), test::pixels24({kRed, kRed})}).build();
const BmpBuilder kMasked16 = twoByTwo(16).pixelData(Bytes(8, 0));

INSTANTIATE_TEST_SUITE_P(
    Headers, BmpRefused,
    ::testing::Values(
        RefusedCase{"ShorterThanTheFileHeader", cut(kGood, 13), true},
        RefusedCase{"OnlyTheFileHeader", cut(kGood, 14), false},
        RefusedCase{"EndsInsideTheInfoHeader", cut(kGood, 40), false},
        RefusedCase{"EndsInsideTheMasks",
                    cut(twoByTwo(16).masks(0xF800, 0x07E0, 0x1F).build(), 14 + 40 + 6), true},
        RefusedCase{"EndsInsideTheColourTable",
                    cut(twoByTwo(8).colorTable(ramp(256)).build(), 14 + 40 + 1000), true},
        RefusedCase{"NoBMSignature", withSignature(kGood, 'B', 'A'), false},
        RefusedCase{"JpegSignature", withSignature(kGood, '\xFF', '\xD8'), false},
        RefusedCase{"TwoPlanes", twoByTwo(24).planes(2).pixelData(Bytes(16, 0)).build(), false},
        RefusedCase{"HeaderSize16", twoByTwo(8).headerSize(16).pixelData(Bytes(8, 0)).build(),
                    false},
        RefusedCase{"HeaderSize39", twoByTwo(8).headerSize(39).pixelData(Bytes(8, 0)).build(),
                    false},
        RefusedCase{"HeaderSize66", twoByTwo(24).headerSize(66).pixelData(Bytes(16, 0)).build(),
                    false},
        RefusedCase{"HeaderSizeZero", twoByTwo(24).headerSize(0).pixelData(Bytes(16, 0)).build(),
                    false},
        RefusedCase{"TwoBitsPerPixel",
                    twoByTwo(2).colorTable(ramp(4)).pixelData(Bytes(8, 0)).build(), false},
        RefusedCase{"ZeroBitsPerPixel", twoByTwo(0).pixelData(Bytes(8, 0)).build(), false},
        RefusedCase{"SixtyFourBitsPerPixel", twoByTwo(64).pixelData(Bytes(32, 0)).build(), false},
        RefusedCase{"ColoursUsed257", twoByTwo(8).colorTable(ramp(256)).colorsUsed(257).build(),
                    false},
        RefusedCase{"EmbeddedJpeg", twoByTwo(24).compression(4).pixelData({0xFF, 0xD8}).build(),
                    false},
        RefusedCase{"EmbeddedPng", twoByTwo(24).compression(5).pixelData({0x89, 'P'}).build(),
                    false},
        RefusedCase{"AlphaBitFieldsCode6",
                    twoByTwo(32).compression(6).pixelData(Bytes(16, 0)).build(), false},
        RefusedCase{"Rle8At4Bits",
                    twoByTwo(4).colorTable(r16).compression(1).pixelData({0, 1}).build(), false},
        RefusedCase{"Rle4At8Bits",
                    twoByTwo(8).colorTable(r256).compression(2).pixelData({0, 1}).build(), false},
        RefusedCase{"RleStoredTopDown",
                    twoByTwo(8).colorTable(r256).compression(1).topDown().pixelData({0, 1}).build(),
                    false},
        RefusedCase{"BitFieldsAt24Bits",
                    twoByTwo(24).masks(0xFF0000, 0xFF00, 0xFF).pixelData(Bytes(16, 0)).build(),
                    false},
        RefusedCase{"EmptyMask", BmpBuilder(kMasked16).masks(0xF800, 0, 0x1F).build(), false},
        RefusedCase{"OverlappingMasks", BmpBuilder(kMasked16).masks(0xF800, 0x0FE0, 0x1F).build(),
                    false},
        RefusedCase{"MaskWithAGap", BmpBuilder(kMasked16).masks(0xF800, 0x07E0, 0x15).build(),
                    false},
        RefusedCase{"MaskBeyondSixteenBits",
                    BmpBuilder(kMasked16).masks(0xF8000, 0x07E0, 0x1F).build(), false},
        RefusedCase{"NegativeWidth", BmpBuilder().size(-2, 2).pixelData(Bytes(16, 0)).build(),
                    false},
        RefusedCase{"WidthOverTheLimit", BmpBuilder().size(16385, 1).pixelData({}).build(), false},
        RefusedCase{"TopDownHeightOverTheLimit",
                    BmpBuilder().size(1, 16385).topDown().pixelData({}).build(), false},
        RefusedCase{"CoreHeaderWidthOverTheLimit",
                    BmpBuilder().header(BmpHeaderKind::Core).size(65535, 1).pixelData({}).build(),
                    false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReadDib, DecodesADibWithoutFileHeaderAndReportsWherePixelsEnd) {
    const Bytes dib = twoByTwo(8).colorTable(ramp(4)).indexRows({{1, 2}, {3, 0}}).buildDib();
    std::size_t end = 0;
    const DecodedBitmap decoded = readDib(dib, 0, &end);
    EXPECT_EQ(cornersOf(decoded.image), (Corners{ramp(4)[1], ramp(4)[2], ramp(4)[3], ramp(4)[0]}));
    EXPECT_EQ(end, dib.size());
}

TEST(ReadDib, HeightOverrideReadsTheUpperPartOfAnIconStyleDib) {
    // An icon's header counts the XOR image and the AND mask: 2 x 4 rows, image size 0
    // or the size of both; the XOR image is the first 2 stored rows.
    const std::vector<Bytes> rows{Bytes(4, 1), Bytes(4, 1), test::pixels24({kRed, kGreen}),
                                  test::pixels24({kBlue, kWhite})};
    for (const std::uint32_t imageSize : {0u, 32u}) {
        const Bytes dib =
            BmpBuilder().size(2, 4).bitsPerPixel(24).imageSize(imageSize).rows(rows).buildDib();
        std::size_t end = 0;
        const DecodedBitmap decoded = readDib(dib, 2, &end);
        EXPECT_EQ(cornersOf(decoded.image), (Corners{kRed, kGreen, kBlue, kWhite}));
        EXPECT_EQ(end, 40u + 16u) << imageSize;
    }
}

TEST(ReadDib, EmptyOrShortDibIsNotValid) {
    EXPECT_TRUE(raises<EInvalidGraphic>([] { readDib({}); }, kInvalid));
    const Bytes dib = twoByTwo(24).buildDib();
    EXPECT_TRUE(raises<EInvalidGraphic>([&] { readDib(std::span(dib).first(20)); }, kInvalid));
}

}  // namespace
}  // namespace vestura
