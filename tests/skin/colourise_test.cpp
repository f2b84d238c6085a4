// Colouring a part keeps its shading: every pixel keeps its lightness and takes the colour's
// hue and saturation, checked against Qt's own HSL conversion; see-through stays see-through,
// and in the preview the jeans' colour key is the part's own.
#include <gtest/gtest.h>

#include <QColor>
#include <QPainter>
#include <cstdlib>

#include "skin/colourise.h"
#include "skin/preview.h"
#include "tests/support/part_pictures.h"

namespace vestura {
namespace {

using test::bitmapOf;
using test::patterned;

// The reference: the colour's hue and saturation at the pixel's lightness, by QColor.
QRgb reference(QRgb pixel, QRgb colour) {
    const QColor target = QColor::fromRgb(colour);
    const QColor source = QColor::fromRgb(pixel);
    return QColor::fromHslF(target.hslHueF() < 0 ? 0 : target.hslHueF(), target.hslSaturationF(),
                            source.lightnessF())
        .rgb();
}

bool within(QRgb a, QRgb b, int tolerance) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

const QRgb kColours[] = {0xFF1E90FF, 0xFFFF0000, 0xFF00FF00, 0xFF808080, 0xFF000000,
                         0xFFFFFFFF, 0xFFFFD700, 0xFF8B4513, 0xFF7F00FF, 0xFFFF69B4};

TEST(Colourise, KeepsEveryPixelsLightnessAndTakesTheColoursHueAndSaturation) {
    QImage part = patterned(QSize(64, 64), 3).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int v = 0; v < 256; ++v) {
        part.setPixel(v % 64, v / 64, qRgb(v, v, v));  // every grey level
    }
    for (const QRgb colour : kColours) {
        QImage coloured = part;
        colourise(coloured, colour);
        for (int y = 0; y < part.height(); ++y) {
            for (int x = 0; x < part.width(); ++x) {
                const QRgb before = part.pixel(x, y), after = coloured.pixel(x, y);
                ASSERT_TRUE(within(after, reference(before, colour), 1))
                    << std::hex << before << " in " << colour << " gave " << after;
                // Lightness, as (max + min) / 2, is kept to within rounding.
                ASSERT_LE(std::abs(QColor(after).lightness() - QColor(before).lightness()), 1);
                ASSERT_EQ(colourisedPixel(before, colour), after);
            }
        }
    }
}

TEST(Colourise, SeeThroughPixelsStaySeeThroughAndPartlySeeThroughKeepTheirAlpha) {
    QImage part(4, 1, QImage::Format_ARGB32);
    part.setPixel(0, 0, qRgba(10, 200, 30, 0));
    part.setPixel(1, 0, qRgba(10, 200, 30, 1));
    part.setPixel(2, 0, qRgba(90, 60, 220, 128));
    part.setPixel(3, 0, qRgba(250, 240, 0, 255));
    QImage coloured = part.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage premultiplied = coloured;
    colourise(coloured, 0xFF1E90FF);
    EXPECT_EQ(coloured.pixel(0, 0), premultiplied.pixel(0, 0));
    for (int x = 1; x < 4; ++x) {
        EXPECT_EQ(qAlpha(coloured.pixel(x, 0)), qAlpha(part.pixel(x, 0))) << x;
    }
    // Premultiplied storage rounds a half-transparent pixel's channels twice, on the way in
    // and out: it comes near its exact colour, not to it.
    // (pixel() gives a premultiplied image's pixels premultiplied.)
    EXPECT_TRUE(within(qUnpremultiply(coloured.pixel(2, 0)),
                       reference(part.pixel(2, 0), 0xFF1E90FF), 4));
}

// The jeans slot leaves out the colour of a bitmap's bottom-left pixel; coloured, the pixels
// of that colour still show the base, and pixels the colouring brings to it are drawn.
TEST(Colourise, InThePreviewTheJeansKeyIsDecidedOnThePartAsLoaded) {
    QImage jeans = patterned(QSize(94, 172), 5);
    const QRgb key = qRgb(40, 40, 40);
    const QRgb turnsIntoKeyLightness = qRgb(60, 20, 20);  // lightness 40, as the key's
    for (int x = 0; x < 94; ++x) {
        jeans.setPixel(x, 171, key);
        jeans.setPixel(x, 0, turnsIntoKeyLightness);
    }
    Preview preview;
    preview.slot(Category::Jeans).picture.assign(bitmapOf(jeans));
    std::vector<std::string> failures;
    const QImage plain = preview.renderSkin(failures);
    preview.setColour(Category::Jeans, qRgb(128, 128, 128));  // grey: the key's own colour
    const QImage coloured = preview.renderSkin(failures);
    EXPECT_TRUE(failures.empty());
    const QPoint jeansAt(info(Category::Jeans).frameX - kBaseSkinX,
                         info(Category::Jeans).frameY - kBaseSkinY);
    for (int x = 0; x < 94; ++x) {
        EXPECT_EQ(coloured.pixel(jeansAt + QPoint(x, 171)), plain.pixel(jeansAt + QPoint(x, 171)));
        EXPECT_EQ(coloured.pixel(jeansAt + QPoint(x, 0)), key | 0xFF000000) << x;
    }
    preview.setColour(Category::Jeans, std::nullopt);
    EXPECT_EQ(preview.renderSkin(failures), plain);
}

}  // namespace
}  // namespace vestura
