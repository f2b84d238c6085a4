// The composed skin, pixel by pixel, against an expectation built here from the slot table
// alone: each part's pixels copied in stacking order, cut at its box (fixed slots) and at
// the skin's edge, with the jeans' bottom-left colour left out of a bitmap.
#include <gtest/gtest.h>

#include <QPainter>
#include <algorithm>
#include <vector>

#include "common/errors.h"
#include "picture/jpeg/jpeg_image.h"
#include "skin/preview.h"
#include "tests/support/jpeg_encoder.h"
#include "tests/support/part_pictures.h"

namespace vestura {
namespace {

using test::bitmapOf;
using test::filled;
using test::patterned;

struct Part {
    Category category;
    QImage picture;      // the pixels the slot shows: a JPEG's are those its decode gives
    bool bitmap = true;  // a bitmap honours the jeans' transparency; a JPEG does not
};

std::unique_ptr<TJPEGImage> loadedJpeg(const Bytes& file) {
    auto picture = std::make_unique<TJPEGImage>();
    picture->loadFromBytes(file);
    return picture;
}

// The skin the parts should make, computed without QPainter.
QImage expectedSkin(const QImage& base, std::vector<Part> parts) {
    QImage skin = base.convertToFormat(QImage::Format_RGB32);
    std::sort(parts.begin(), parts.end(), [](const Part& a, const Part& b) {
        return info(a.category).stacking < info(b.category).stacking;
    });
    for (const Part& part : parts) {
        const CategoryInfo& row = info(part.category);
        const QImage& picture = part.picture;
        const int width =
            row.takesPictureSize ? picture.width() : std::min(picture.width(), row.width);
        const int height =
            row.takesPictureSize ? picture.height() : std::min(picture.height(), row.height);
        const bool keyed = row.transparent && part.bitmap;
        const QRgb key = picture.pixel(0, picture.height() - 1);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const int skinX = row.frameX - kBaseSkinX + x;
                const int skinY = row.frameY - kBaseSkinY + y;
                const QRgb color = picture.pixel(x, y);
                if (skinX < kSkinSize && skinY < kSkinSize && !(keyed && color == key)) {
                    skin.setPixel(skinX, skinY, color);
                }
            }
        }
    }
    return skin;
}

::testing::AssertionResult sameColors(const QImage& actual, const QImage& expected) {
    if (actual.size() != expected.size()) {
        return ::testing::AssertionFailure() << "sizes differ";
    }
    for (int y = 0; y < actual.height(); ++y) {
        for (int x = 0; x < actual.width(); ++x) {
            const QRgb a = actual.pixel(x, y) & RGB_MASK, e = expected.pixel(x, y) & RGB_MASK;
            if (a != e) {
                return ::testing::AssertionFailure()
                       << "first difference at (" << x << ", " << y << "): " << std::hex << a
                       << " instead of " << e;
            }
        }
    }
    return ::testing::AssertionSuccess();
}

class ComposeTest : public ::testing::Test {
protected:
    ComposeTest() { preview_.setBaseSkin(bitmapOf(base_)); }

    void put(Category c, std::unique_ptr<TGraphic> picture) {
        preview_.slot(c).picture.assign(std::move(picture));
        preview_.slot(c).visible = true;
    }
    void put(const Part& part) { put(part.category, bitmapOf(part.picture)); }

    QImage render() {
        std::vector<std::string> failures;
        QImage skin = preview_.renderSkin(failures);
        EXPECT_TRUE(failures.empty());
        return skin;
    }

    const QImage base_ = patterned(QSize(kSkinSize, kSkinSize), 99, QImage::Format_Indexed8);
    Preview preview_;
};

// Sizes of part pictures and what they show; the formats vary as the decoders deliver them.
struct Scenario {
    const char* name;
    std::vector<std::pair<Category, QSize>> parts;
};

void PrintTo(const Scenario& scenario, std::ostream* out) {
    *out << scenario.name;
}

class ComposeScenario : public ComposeTest, public ::testing::WithParamInterface<Scenario> {};

TEST_P(ComposeScenario, SkinMatchesTheStackedParts) {
    constexpr QImage::Format kFormats[] = {QImage::Format_RGB32, QImage::Format_BGR888,
                                           QImage::Format_Indexed8};
    std::vector<Part> parts;
    int seed = 0;
    for (const auto& [category, size] : GetParam().parts) {
        parts.push_back({category, patterned(size, seed, kFormats[seed % 3])});
        ++seed;
    }
    for (const Part& part : parts) {
        put(part);
    }
    EXPECT_TRUE(sameColors(render(), expectedSkin(base_, parts)));
}

INSTANTIATE_TEST_SUITE_P(
    Parts, ComposeScenario,
    ::testing::Values(Scenario{"NoPartsShowThePlainBaseSkin", {}},
                      Scenario{"AllSevenAtTheirBoxSizes",
                               {{Category::Glasses, {96, 44}},
                                {Category::Beard, {128, 128}},
                                {Category::Chain, {40, 40}},
                                {Category::Watch, {33, 84}},
                                {Category::Shirt, {105, 129}},
                                {Category::Jeans, {94, 172}},
                                {Category::Boots, {56, 72}}}},
                      Scenario{"LargerPicturesReachPastTheirBoxesAndAreCutAtTheSkinsEdge",
                               {{Category::Glasses, {150, 100}},
                                {Category::Beard, {200, 300}},
                                {Category::Chain, {80, 150}},
                                {Category::Watch, {40, 300}},
                                {Category::Boots, {100, 120}},
                                {Category::Jeans, {94, 172}}}},
                      Scenario{"ShirtAndJeansLargerThanTheirBoxesAreCutToThem",
                               {{Category::Shirt, {300, 300}}, {Category::Jeans, {200, 250}}}},
                      Scenario{"SmallerPicturesLeaveTheBaseSkinShowing",
                               {{Category::Glasses, {20, 10}},
                                {Category::Shirt, {50, 60}},
                                {Category::Jeans, {40, 50}},
                                {Category::Boots, {1, 1}}}}),
    [](const auto& info) { return std::string(info.param.name); });

// Solid parts, so each overlap point names the part that must be on top.
TEST_F(ComposeTest, OverlapsFollowTheStackingOrder) {
    const QRgb glasses = qRgb(10, 0, 0), beard = qRgb(20, 0, 0), shirt = qRgb(30, 0, 0),
               jeans = qRgb(40, 0, 0), boots = qRgb(50, 0, 0);
    put({Category::Glasses, filled({96, 44}, glasses)});
    put({Category::Beard, filled({128, 128}, beard)});
    put({Category::Shirt, filled({105, 129}, shirt)});
    QImage jeansPicture = filled({94, 172}, jeans);
    jeansPicture.setPixel(0, 171, qRgb(41, 0, 0));  // the key colour, nowhere else
    put({Category::Jeans, jeansPicture});
    put({Category::Boots, filled({56, 100}, boots)});  // taller than its box: over the jeans
    const QImage skin = render();
    EXPECT_EQ(skin.pixel(170, 50), glasses);  // glasses over beard
    EXPECT_EQ(skin.pixel(140, 10), beard);
    EXPECT_EQ(skin.pixel(90, 200), jeans);  // jeans over shirt
    EXPECT_EQ(skin.pixel(100, 200), shirt);
    EXPECT_EQ(skin.pixel(0, 0), boots);    // boots over the base skin's corner
    EXPECT_EQ(skin.pixel(10, 90), boots);  // and over the jeans where they meet
    EXPECT_EQ(skin.pixel(60, 10), base_.pixel(60, 10));
}

TEST_F(ComposeTest, JeansLeaveEveryExactlyKeyColoredPixelSeeThrough) {
    const QRgb magenta = qRgb(255, 0, 255), nearMagenta = qRgb(254, 0, 255);
    QImage jeans = patterned({94, 172}, 3);
    for (const QPoint& p : {QPoint(0, 171), QPoint(0, 0), QPoint(50, 50), QPoint(90, 100)}) {
        jeans.setPixel(p, magenta);
    }
    jeans.setPixel(60, 60, nearMagenta);
    const QImage shirt = patterned({105, 129}, 4);
    put({Category::Shirt, shirt});
    put({Category::Jeans, jeans});
    const QImage skin = render();
    EXPECT_TRUE(sameColors(
        skin, expectedSkin(base_, {{Category::Shirt, shirt}, {Category::Jeans, jeans}})));
    EXPECT_EQ(skin.pixel(50, 134), base_.pixel(50, 134));  // the base skin shows through
    EXPECT_EQ(skin.pixel(90, 184), shirt.pixel(3, 56));    // so does the shirt below
    EXPECT_EQ(skin.pixel(60, 144), nearMagenta);
}

TEST_F(ComposeTest, AJpegInTheJeansSlotIsDrawnWhole) {
    const Bytes file = test::encodeJpeg(filled({94, 172}, qRgb(255, 0, 255)));
    const QImage decoded = loadedJpeg(file)->bitmap().image();
    put(Category::Jeans, loadedJpeg(file));
    EXPECT_TRUE(sameColors(render(), expectedSkin(base_, {{Category::Jeans, decoded, false}})));
}

TEST_F(ComposeTest, PartsReachUpToTheFrameEdgeAndNoFurther) {
    const QImage beard = patterned({300, 300}, 5);
    put({Category::Beard, beard});
    QImage canvas(400, 400, QImage::Format_RGB32);
    const QRgb outside = qRgb(1, 2, 3);
    canvas.fill(outside);
    QPainter painter(&canvas);
    EXPECT_TRUE(preview_.compose(painter).empty());
    painter.end();
    const int right = kFrameWidth - 1, bottom = kFrameHeight - 1;
    const QPoint beardAt(info(Category::Beard).frameX, info(Category::Beard).frameY);
    EXPECT_EQ(canvas.pixel(right, bottom), beard.pixel(right - beardAt.x(), bottom - beardAt.y()));
    EXPECT_EQ(canvas.pixel(right + 1, 100), outside);
    EXPECT_EQ(canvas.pixel(200, bottom + 1), outside);
    EXPECT_EQ(canvas.pixel(kBaseSkinX, kBaseSkinY), base_.pixel(0, 0));
    EXPECT_EQ(canvas.pixel(kBaseSkinX - 1, kBaseSkinY), outside);  // the frame's own
}

TEST_F(ComposeTest, HiddenSlotsAreNotDrawnButKeepTheirPictures) {
    const QImage glasses = patterned({96, 44}, 6);
    put({Category::Glasses, glasses});
    const TGraphic* held = preview_.slot(Category::Glasses).picture.graphic();
    preview_.select(Category::Glasses, 0, "");
    EXPECT_FALSE(preview_.slot(Category::Glasses).visible);
    EXPECT_EQ(preview_.slot(Category::Glasses).picture.graphic(), held);
    EXPECT_TRUE(sameColors(render(), base_));
    preview_.slot(Category::Glasses).visible = true;
    EXPECT_TRUE(sameColors(render(), expectedSkin(base_, {{Category::Glasses, glasses}})));
}

// A JPEG whose decode fails at its first draw: the parts below and above it still draw, its
// message comes once, and the next composition draws what it decoded (here nothing)
// without a failure.
TEST_F(ComposeTest, APictureFailingWhileDrawingIsReportedOnceAndTheOthersStillDraw) {
    // A progressive JPEG with its last scan repeated past the decoder's scan limit: the
    // header pass accepts it, the decode pass fails.
    const Bytes damaged = test::jpegWithRepeatedLastScan(
        test::encodeJpeg(patterned({120, 140}, 7), {.progressive = true}), 991);
    std::string message;
    try {
        loadedJpeg(damaged)->bitmap();
    } catch (const EJPEG& e) {
        message = e.message();
    }
    ASSERT_NE(message, "");

    const QImage beard = patterned({200, 200}, 8);  // reaches past the frame: drawn clipped
    const QImage jeans = patterned({200, 250}, 9);  // cut at its box
    put({Category::Beard, beard});
    put(Category::Shirt, loadedJpeg(damaged));  // larger than its box: fails inside a clip
    put({Category::Jeans, jeans});
    const QImage expected =
        expectedSkin(base_, {{Category::Beard, beard}, {Category::Jeans, jeans}});

    std::vector<std::string> failures{"earlier"};
    EXPECT_TRUE(sameColors(preview_.renderSkin(failures), expected));
    EXPECT_EQ(failures, (std::vector<std::string>{"earlier", message}));

    failures.clear();
    EXPECT_TRUE(sameColors(preview_.renderSkin(failures), expected));
    EXPECT_TRUE(failures.empty());
}

// An empty JPEG measures 0 x 0. A fixed slot still paints it, and its decode pass fails
// with the library's empty-input code; a slot that takes the picture's size shrinks to
// nothing and paints nothing.
TEST_F(ComposeTest, AnEmptyJpegFailsInAFixedSlotAndPaintsNothingInASizedOne) {
    for (const Category fixed : {Category::Shirt, Category::Jeans}) {
        put(fixed, loadedJpeg({}));
        std::vector<std::string> failures;
        EXPECT_TRUE(sameColors(preview_.renderSkin(failures), base_));
        EXPECT_EQ(failures, (std::vector<std::string>{"JPEG error #42"}));
        failures.clear();
        preview_.renderSkin(failures);
        EXPECT_TRUE(failures.empty()) << "the failed decode is not retried";
        preview_.slot(fixed).visible = false;
    }
    put(Category::Glasses, loadedJpeg({}));
    EXPECT_TRUE(sameColors(render(), base_));
}

}  // namespace
}  // namespace vestura
