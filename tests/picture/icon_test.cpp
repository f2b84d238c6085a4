// TIcon: the header and directory checks at load, the entry that is picked, and the
// entry's pixels with their transparency.
#include <gtest/gtest.h>

#include <QPainter>
#include <memory>

#include "common/errors.h"
#include "picture/builtin.h"
#include "picture/display.h"
#include "picture/icon/icon.h"
#include "picture/picture.h"
#include "tests/support/icon_builder.h"
#include "tests/support/temp_folder.h"

namespace vestura {
namespace {

using test::IconBuilder;

constexpr QRgb kBackground = 0xFF00FF00;
constexpr QRgb kRed = 0xFFFF0000;
constexpr QRgb kBlue = 0xFF0000FF;

// A square picture: red, with its left half transparent.
QImage halfTransparent(int side) {
    QImage picture(side, side, QImage::Format_ARGB32);
    picture.fill(kRed);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side / 2; ++x) {
            picture.setPixel(x, y, 0);
        }
    }
    return picture;
}

QImage solid(int side, QRgb color) {
    QImage picture(side, side, QImage::Format_ARGB32);
    picture.fill(color);
    return picture;
}

QImage drawn(TIcon& icon, QSize size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(kBackground);
    QPainter painter(&image);
    icon.draw(painter, QRect(QPoint(0, 0), size));
    return image;
}

std::unique_ptr<TIcon> loaded(const Bytes& file) {
    auto icon = std::make_unique<TIcon>();
    icon->loadFromBytes(file);
    return icon;
}

// ---- Load failures ----

struct FailureCase {
    const char* name;
    Bytes file;
    bool readError;  // "Stream read error" rather than "Icon image is not valid"
};

class IconLoadFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(IconLoadFailure, RaisesTheRightFailure) {
    TIcon icon;
    try {
        icon.loadFromBytes(GetParam().file);
        FAIL() << "loaded";
    } catch (const EReadError& e) {
        EXPECT_TRUE(GetParam().readError);
        EXPECT_EQ(e.message(), "Stream read error");
    } catch (const EInvalidGraphic& e) {
        EXPECT_FALSE(GetParam().readError);
        EXPECT_EQ(e.message(), "Icon image is not valid");
    }
}

Bytes goodIcon() {
    return IconBuilder().entry(8, 8, 0, test::pngBytes(solid(8, kRed))).build();
}

Bytes cut(Bytes bytes, std::size_t size) {
    bytes.resize(size);
    return bytes;
}

Bytes poked(Bytes bytes, std::size_t at, std::uint8_t value) {
    bytes[at] = value;
    return bytes;
}

// Offsets into a one-entry icon: the image data starts at 22, a DIB's bit count at 22 + 14.
constexpr std::size_t kImageAt = 22;

INSTANTIATE_TEST_SUITE_P(
    Cases, IconLoadFailure,
    testing::Values(
        FailureCase{"Empty", {}, true}, FailureCase{"FiveBytes", {0, 0, 1, 0, 1}, true},
        FailureCase{"TypeTwo", {0, 0, 2, 0, 0, 0}, false},
        FailureCase{"TypeInHighByte", {0, 0, 0, 1, 0, 0}, false},
        FailureCase{"NoEntries", {0, 0, 1, 0, 0, 0}, false},
        FailureCase{"DirectoryPastTheEnd", cut(goodIcon(), 20), false},
        FailureCase{
            "ImageOffsetPastTheEnd",
            IconBuilder().entry(8, 8, 0, test::pngBytes(solid(8, kRed))).claim(100000, 40).build(),
            false},
        FailureCase{"ImageSizePastTheEnd",
                    IconBuilder()
                        .entry(8, 8, 0, test::pngBytes(solid(8, kRed)))
                        .claim(22, 0xFFFFFFF0)
                        .build(),
                    false},
        FailureCase{
            "ImageSizeZero",
            IconBuilder().entry(8, 8, 0, test::pngBytes(solid(8, kRed))).claim(22, 0).build(),
            false},
        FailureCase{"DibBitCountSeven",
                    poked(IconBuilder().entry(8, 8, 0, test::iconDib(solid(8, kRed), 32)).build(),
                          kImageAt + 14, 7),
                    false},
        FailureCase{"DibHeaderSizeBelowForty",
                    poked(IconBuilder().entry(8, 8, 0, test::iconDib(solid(8, kRed), 32)).build(),
                          kImageAt, 39),
                    false},
        FailureCase{"DibWiderThanLimits",
                    poked(IconBuilder().entry(8, 8, 0, test::iconDib(solid(8, kRed), 32)).build(),
                          kImageAt + 7, 0x40),
                    false},
        FailureCase{"DibPixelsCut",
                    cut(IconBuilder().entry(8, 8, 0, test::iconDib(solid(8, kRed), 32)).build(),
                        kImageAt + 40 + 100),
                    false},
        FailureCase{"PngOfZeroWidth", poked(poked(goodIcon(), kImageAt + 18, 0), kImageAt + 19, 0),
                    false},
        FailureCase{"SecondEntryDamaged",
                    IconBuilder()
                        .entry(8, 8, 0, test::pngBytes(solid(8, kRed)))
                        .entry(8, 8, 0, test::pngBytes(solid(8, kRed)))
                        .claim(5000, 10)
                        .build(),
                    false}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- The pick rule ----

struct PickCase {
    const char* name;
    std::vector<std::pair<int, std::uint64_t>> entries;  // square size, colour count
    std::uint64_t displayColors;
    std::size_t expected;
};

class IconPick : public testing::TestWithParam<PickCase> {};

TEST_P(IconPick, ChoosesTheEntryThatSuitsTheDisplay) {
    std::vector<IconEntry> entries;
    for (const auto& [side, colors] : GetParam().entries) {
        IconEntry entry;
        entry.width = entry.height = side;
        entry.colorCount = colors;
        entries.push_back(entry);
    }
    EXPECT_EQ(pickIconEntry(entries, GetParam().displayColors, 32), GetParam().expected);
}

// A display deeper than 8 bits shows every colour an entry can hold.
constexpr std::uint64_t kTrueColour = kUnlimitedColors;

INSTANTIATE_TEST_SUITE_P(
    Cases, IconPick,
    testing::Values(
        PickCase{"ClosestSize", {{16, 16}, {48, 16}, {32, 16}, {24, 16}}, kTrueColour, 2},
        PickCase{"TieKeepsTheEarlier", {{64, 16}, {24, 16}, {40, 16}}, kTrueColour, 1},
        PickCase{"MoreColoursAndBetterSize", {{16, 16}, {32, 256}}, kTrueColour, 1},
        PickCase{"FewerColoursNeverReplace", {{16, 256}, {32, 16}}, kTrueColour, 0},
        PickCase{"ColoursAboveTheDisplayNeverReplace", {{16, 16}, {32, 256}}, 16, 0},
        PickCase{"UnlimitedCompetesOnATrueColourDisplay",
                 {{16, 256}, {32, kUnlimitedColors}},
                 kTrueColour,
                 1},
        PickCase{"UnlimitedEntriesCompeteOnSize",
                 {{16, kUnlimitedColors}, {48, kUnlimitedColors}, {32, kUnlimitedColors}},
                 kTrueColour,
                 2},
        PickCase{"UnlimitedIsAboveAPalettedDisplay", {{16, 256}, {32, kUnlimitedColors}}, 256, 0},
        PickCase{"UnlimitedFirstEntryStays", {{16, kUnlimitedColors}, {32, 256}}, kTrueColour, 0},
        PickCase{"SingleEntry", {{256, 2}}, kTrueColour, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Size and pixels ----

TEST(IconSize, IsThePickedEntrysFromTheLoadOn) {
    auto icon = loaded(IconBuilder()
                           .entry(16, 16, 16, test::pngBytes(solid(16, kRed)))
                           .entry(0, 0, 0, test::pngBytes(solid(4, kBlue)))
                           .build());
    EXPECT_EQ(QSize(icon->width(), icon->height()), QSize(16, 16));
    drawn(*icon, QSize(8, 8));
    EXPECT_EQ(QSize(icon->width(), icon->height()), QSize(16, 16));
}

// Every entry of 8 bits or more has a colour count of 0: on a true-colour display they
// compete on size, and the one nearest the system icon size shows.
TEST(IconSize, DeepEntriesOnATrueColourDisplayPickTheNearestSize) {
    setDisplay(DisplayInfo{});
    auto icon = loaded(IconBuilder()
                           .entry(16, 16, 0, test::pngBytes(solid(16, kRed)))
                           .entry(32, 32, 0, test::pngBytes(solid(32, kBlue)))
                           .entry(48, 48, 0, test::pngBytes(solid(48, kRed)))
                           .build());
    EXPECT_EQ(QSize(icon->width(), icon->height()), QSize(32, 32));
    EXPECT_EQ(icon->image().pixel(0, 0), kBlue);
}

TEST(IconSize, ZeroSizeBytesMeanTwoHundredFiftySix) {
    auto icon = loaded(IconBuilder().entry(0, 0, 0, test::pngBytes(solid(4, kBlue))).build());
    icon->image();
    EXPECT_EQ(QSize(icon->width(), icon->height()), QSize(256, 256));
}

TEST(IconPixels, PngEntryKeepsItsAlpha) {
    auto icon = loaded(IconBuilder().entry(8, 8, 0, test::pngBytes(halfTransparent(8))).build());
    const QImage image = drawn(*icon, QSize(8, 8));
    EXPECT_EQ(image.pixel(1, 4), kBackground);
    EXPECT_EQ(image.pixel(6, 4), kRed);
}

TEST(IconPixels, DrawsScaledIntoTheRect) {
    auto icon = loaded(IconBuilder().entry(8, 8, 0, test::pngBytes(halfTransparent(8))).build());
    const QImage image = drawn(*icon, QSize(32, 16));
    EXPECT_EQ(image.pixel(15, 8), kBackground);
    EXPECT_EQ(image.pixel(16, 8), kRed);
}

struct DibCase {
    const char* name;
    int bitsPerPixel;
    bool keepAlpha;
};

class IconDibPixels : public testing::TestWithParam<DibCase> {};

TEST_P(IconDibPixels, MaskOrAlphaMakesTheLeftHalfSeeThrough) {
    auto icon = loaded(
        IconBuilder()
            .entry(8, 8, 0,
                   test::iconDib(halfTransparent(8), GetParam().bitsPerPixel, GetParam().keepAlpha))
            .build());
    const QImage image = drawn(*icon, QSize(8, 8));
    for (int y = 0; y < 8; ++y) {
        EXPECT_EQ(image.pixel(3, y), kBackground) << y;
        EXPECT_EQ(image.pixel(4, y), kRed) << y;
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, IconDibPixels,
                         testing::Values(DibCase{"EightBitWithMask", 8, false},
                                         DibCase{"TwentyFourBitWithMask", 24, false},
                                         DibCase{"ThirtyTwoBitWithoutAlphaUsesMask", 32, false},
                                         DibCase{"ThirtyTwoBitWithAlpha", 32, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(IconDibPixels, AlphaWinsOverTheMaskWhenPresent) {
    // Half-transparent red everywhere, with a mask that says "all opaque".
    QImage picture = solid(4, qRgba(255, 0, 0, 128));
    const Bytes dib = test::iconDib(picture, 32, true);
    auto icon = loaded(IconBuilder().entry(4, 4, 0, dib).build());
    EXPECT_EQ(qAlpha(icon->image().pixel(1, 1)), 128);
}

TEST(IconType, TypeZeroShowsTheProgramIcon) {
    auto icon = loaded({0, 0, 0, 0, 0, 0});
    EXPECT_EQ(QSize(icon->width(), icon->height()), QSize(32, 32));
    EXPECT_FALSE(icon->empty());

    auto program = loaded(builtinPictureFile(BuiltinPicture::ProgramIcon));
    ASSERT_FALSE(program->image().isNull());
    EXPECT_EQ(icon->image(), program->image());
    EXPECT_EQ(QSize(icon->width(), icon->height()), QSize(program->width(), program->height()));
}

TEST(IconLoad, IcoExtensionMakesAnIcon) {
    test::TempFolder folder;
    const Bytes file = goodIcon();
    folder.write("part.ICO",
                 std::string_view(reinterpret_cast<const char*>(file.data()), file.size()));
    TPicture picture;
    picture.loadFromFile(folder.file("part.ICO"));
    EXPECT_NE(dynamic_cast<TIcon*>(picture.graphic()), nullptr);
}

}  // namespace
}  // namespace vestura
