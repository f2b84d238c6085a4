// PNG and TGA parts in the composed skin, against a reference built here from the part's
// pixels: straight alpha, source-over, onto what lies below, in a slot that takes the
// picture's size, a fixed slot and the jeans slot (where no colour key applies to them).
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "picture/png/png_image.h"
#include "picture/tga/tga_image.h"
#include "skin/preview.h"
#include "tests/support/part_pictures.h"
#include "tests/support/png_builder.h"
#include "tests/support/tga_builder.h"

namespace vestura {
namespace {

using test::bitmapOf;
using test::patterned;

// A straight-alpha picture: patterned colours, alpha running through every level with fully
// transparent and fully opaque stripes. Its bottom-left pixel's colour recurs, opaque, so a
// colour key wrongly applied would show.
QImage softPicture(QSize size, int seed) {
    QImage picture = patterned(size, seed).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const int alpha = x % 5 == 0 ? 0 : x % 5 == 1 ? 255 : (x * 7 + y * 13 + seed) % 256;
            picture.setPixel(x, y, (picture.pixel(x, y) & RGB_MASK) | qRgba(0, 0, 0, alpha));
        }
    }
    const QRgb key = picture.pixel(0, size.height() - 1) | 0xFF000000u;
    picture.setPixel(1, 0, key);
    return picture;
}

// Source-over of a straight-alpha pixel onto an opaque one, exactly.
QRgb over(QRgb source, QRgb below) {
    const int a = qAlpha(source);
    const auto mix = [a](int s, int d) { return (s * a + d * (255 - a) + 127) / 255; };
    return qRgb(mix(qRed(source), qRed(below)), mix(qGreen(source), qGreen(below)),
                mix(qBlue(source), qBlue(below)));
}

// `skin` with `picture` laid over it in the category's slot, cut at its box (fixed slots)
// and at the skin's edge.
QImage expectedOver(QImage skin, Category c, const QImage& picture) {
    const CategoryInfo& row = info(c);
    const int width = row.takesPictureSize ? picture.width() : std::min(picture.width(), row.width);
    const int height =
        row.takesPictureSize ? picture.height() : std::min(picture.height(), row.height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int skinX = row.frameX - kBaseSkinX + x, skinY = row.frameY - kBaseSkinY + y;
            if (skinX < kSkinSize && skinY < kSkinSize) {
                skin.setPixel(skinX, skinY, over(picture.pixel(x, y), skin.pixel(skinX, skinY)));
            }
        }
    }
    return skin;
}

// Qt blends premultiplied colours, rounding the part's and the background's shares apart:
// a channel may differ by one from the exact mix, never where the part is fully
// transparent or fully opaque.
::testing::AssertionResult blendsAs(const QImage& actual, const QImage& expected,
                                    const QImage& picture, Category c) {
    const CategoryInfo& row = info(c);
    const QRect box(row.frameX - kBaseSkinX, row.frameY - kBaseSkinY, picture.width(),
                    picture.height());
    for (int y = 0; y < actual.height(); ++y) {
        for (int x = 0; x < actual.width(); ++x) {
            const QRgb a = actual.pixel(x, y), e = expected.pixel(x, y);
            const bool inPart = box.contains(x, y);
            const int alpha = inPart ? qAlpha(picture.pixel(x - box.x(), y - box.y())) : 255;
            const int slack = alpha == 0 || alpha == 255 ? 0 : 1;
            if (std::abs(qRed(a) - qRed(e)) > slack || std::abs(qGreen(a) - qGreen(e)) > slack ||
                std::abs(qBlue(a) - qBlue(e)) > slack) {
                return ::testing::AssertionFailure()
                       << "at (" << x << ", " << y << "): " << std::hex << a << " instead of " << e
                       << " (alpha " << std::dec << alpha << ")";
            }
        }
    }
    return ::testing::AssertionSuccess();
}

using Loader = std::function<std::unique_ptr<TGraphic>(const QImage&)>;

std::unique_ptr<TGraphic> asPng(const QImage& picture) {
    auto png = std::make_unique<TPngImage>();
    png->loadFromBytes(test::pngFile(picture));
    return png;
}
std::unique_ptr<TGraphic> asTga(const QImage& picture) {
    auto tga = std::make_unique<TTgaImage>();
    tga->loadFromBytes(test::tgaFile(picture));
    return tga;
}

struct SlotCase {
    const char* name;
    Loader load;
    Category category;
    QSize size;
};

void PrintTo(const SlotCase& c, std::ostream* out) {
    *out << c.name;
}

class AlphaPart : public ::testing::TestWithParam<SlotCase> {
protected:
    AlphaPart() { preview_.setBaseSkin(bitmapOf(base_)); }

    void put(Category c, std::unique_ptr<TGraphic> picture) {
        preview_.slot(c).picture.assign(std::move(picture));
        preview_.slot(c).visible = true;
    }
    QImage render() {
        std::vector<std::string> failures;
        QImage skin = preview_.renderSkin(failures);
        EXPECT_TRUE(failures.empty());
        return skin;
    }

    const QImage base_ = patterned(QSize(kSkinSize, kSkinSize), 99, QImage::Format_Indexed8);
    Preview preview_;
};

// The part lies over a bitmap shirt, so it blends with a lower slot as well as the base.
TEST_P(AlphaPart, BlendsSourceOverWhatLiesBelow) {
    const SlotCase& c = GetParam();
    const QImage shirt = patterned({105, 129}, 7);
    const QImage picture = softPicture(c.size, 3);
    if (c.category != Category::Shirt) {
        put(Category::Shirt, bitmapOf(shirt));
    }
    put(c.category, c.load(picture));
    QImage below = base_.convertToFormat(QImage::Format_RGB32);
    if (c.category != Category::Shirt) {
        below = expectedOver(below, Category::Shirt, shirt);
    }
    EXPECT_TRUE(blendsAs(render(), expectedOver(below, c.category, picture), picture, c.category));
}

INSTANTIATE_TEST_SUITE_P(
    Slots, AlphaPart,
    ::testing::Values(
        SlotCase{"PngInTheGlassesSlot", &asPng, Category::Glasses, {96, 44}},
        SlotCase{"PngLargerThanTheFixedShirtSlot", &asPng, Category::Shirt, {130, 150}},
        SlotCase{"PngInTheJeansSlot", &asPng, Category::Jeans, {94, 172}},
        SlotCase{"TgaInTheGlassesSlot", &asTga, Category::Glasses, {96, 44}},
        SlotCase{"TgaLargerThanTheFixedShirtSlot", &asTga, Category::Shirt, {130, 150}},
        SlotCase{"TgaInTheJeansSlot", &asTga, Category::Jeans, {94, 172}}),
    [](const auto& info) { return std::string(info.param.name); });

// Fully opaque, a PNG or TGA part is the same skin, byte for byte, as a 24-bit bitmap of
// its pixels, in every slot but the jeans (where the bitmap alone has a colour key).
TEST(AlphaParts, AnOpaquePictureDrawsExactlyAsA24BitBitmap) {
    const auto skinWith = [](Category c, std::unique_ptr<TGraphic> part) {
        Preview preview;
        preview.setBaseSkin(bitmapOf(patterned({kSkinSize, kSkinSize}, 5)));
        preview.slot(c).picture.assign(std::move(part));
        preview.slot(c).visible = true;
        std::vector<std::string> failures;
        return preview.renderSkin(failures);
    };
    const QImage opaque = patterned({105, 129}, 8, QImage::Format_BGR888);
    for (const Category c : {Category::Glasses, Category::Shirt, Category::Boots}) {
        const QImage fromBitmap = skinWith(c, bitmapOf(opaque));
        EXPECT_EQ(skinWith(c, asPng(opaque)), fromBitmap);
        EXPECT_EQ(skinWith(c, asTga(opaque)), fromBitmap);
    }
}

}  // namespace
}  // namespace vestura
