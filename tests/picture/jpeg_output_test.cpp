// The form a decoded JPEG takes: 8-bit with at most 236 colours for greyscale data or an
// 8-bit display, 24-bit otherwise, and four-component (CMYK/YCCK) data converted to colour.
#include <gtest/gtest.h>

#include <QSet>

#include "tests/picture/jpeg_test_support.h"
#include "tests/support/jpeg_encoder.h"

namespace vestura::test {
namespace {

constexpr int kMaxColors = 236;

const TBitmap& decoded(TJPEGImage& picture) {
    const TBitmap& bitmap = picture.bitmap();
    EXPECT_EQ(bitmap.width(), picture.width());
    return bitmap;
}

TEST(JpegOutput, GreyDecodesTo8BitGreyLevelsOnATrueColourDisplay) {
    const auto picture =
        loadedJpeg(encodeJpeg(jpegTestPattern(64, 64), {.color = JpegColor::Grayscale}));
    const TBitmap& bitmap = decoded(*picture);
    EXPECT_EQ(bitmap.image().format(), QImage::Format_Indexed8);
    EXPECT_EQ(bitmap.info().bitsPerPixel, 8);
    const QList<QRgb> table = bitmap.image().colorTable();
    EXPECT_GT(table.size(), 1);
    EXPECT_LE(table.size(), kMaxColors);
    EXPECT_EQ(bitmap.info().colorsUsed, static_cast<std::uint32_t>(table.size()));
    for (const QRgb entry : table) {
        EXPECT_TRUE(qRed(entry) == qGreen(entry) && qGreen(entry) == qBlue(entry));
    }
}

TEST(JpegOutput, ColourDecodesTo24BitOnATrueColourDisplay) {
    const auto picture = loadedJpeg(encodeJpeg(jpegTestPattern(64, 64)));
    const TBitmap& bitmap = decoded(*picture);
    EXPECT_EQ(bitmap.image().format(), QImage::Format_BGR888);
    EXPECT_EQ(bitmap.info().bitsPerPixel, 24);
}

TEST(JpegOutput, ColourIsQuantisedTo236ColoursOnAn8BitDisplay) {
    const DisplayDepth eightBits(8);
    const auto picture = loadedJpeg(encodeJpeg(jpegTestPattern(64, 64)));
    const QImage& image = decoded(*picture).image();
    ASSERT_EQ(image.format(), QImage::Format_Indexed8);
    EXPECT_LE(image.colorCount(), kMaxColors);
    EXPECT_GT(image.colorCount(), 100);  // a colourful picture uses most of them
    QSet<QRgb> used;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            used.insert(image.pixel(x, y));
        }
    }
    EXPECT_GT(used.size(), 1);
}

// Four blocks of solid colour, aligned to the 16 x 16 blocks of the encoder, so that
// compression barely changes them.
QImage colourBlocks() {
    QImage image(32, 32, QImage::Format_RGB32);
    const QRgb colours[] = {qRgb(200, 40, 40), qRgb(30, 160, 70), qRgb(40, 60, 210),
                            qRgb(240, 220, 120)};
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            image.setPixel(x, y, colours[(y / 16) * 2 + x / 16]);
        }
    }
    return image;
}

struct FourComponentCase {
    const char* name;
    JpegColor color;
    int displayBits;
};

class JpegFourComponents : public ::testing::TestWithParam<FourComponentCase> {};

TEST_P(JpegFourComponents, ConvertToTheirColoursAt24Bits) {
    const DisplayDepth depth(GetParam().displayBits);
    const QImage source = colourBlocks();
    const auto picture =
        loadedJpeg(encodeJpeg(source, {.color = GetParam().color, .quality = 100}));
    const QImage& image = decoded(*picture).image();
    ASSERT_EQ(image.format(), QImage::Format_BGR888);
    for (const QPoint at : {QPoint(8, 8), QPoint(24, 8), QPoint(8, 24), QPoint(24, 24)}) {
        const QRgb want = source.pixel(at);
        const QRgb got = image.pixel(at);
        EXPECT_NEAR(qRed(got), qRed(want), 4) << at.x() << "," << at.y();
        EXPECT_NEAR(qGreen(got), qGreen(want), 4) << at.x() << "," << at.y();
        EXPECT_NEAR(qBlue(got), qBlue(want), 4) << at.x() << "," << at.y();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Forms, JpegFourComponents,
    ::testing::Values(FourComponentCase{"AdobeCmyk", JpegColor::AdobeCmyk, 24},
                      FourComponentCase{"AdobeYcck", JpegColor::AdobeYcck, 24},
                      FourComponentCase{"PlainCmyk", JpegColor::PlainCmyk, 24},
                      // libjpeg cannot quantise CMYK: it stays 24-bit on any display
                      FourComponentCase{"AdobeCmykOn8BitDisplay", JpegColor::AdobeCmyk, 8}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vestura::test
