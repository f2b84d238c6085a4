// Drawing a TBitmap whole or transparently, from every pixel form the decoders deliver.
#include <gtest/gtest.h>

#include <QPainter>

#include "picture/bmp/bitmap.h"

namespace vestura {
namespace {

constexpr QRgb kKey = qRgb(255, 0, 255);
constexpr QRgb kInk = qRgb(10, 200, 30);
constexpr QRgb kBelow = qRgb(1, 2, 3);

// A 3 x 2 picture: key colour at the bottom-left and top-right, ink elsewhere. `alpha` is
// the fourth byte of an RGB32 pixel, which a decoder may leave at 0.
QImage keyedPicture(QImage::Format format, int alpha = 0xFF) {
    QImage image(3, 2, QImage::Format_ARGB32);
    image.fill(qRgba(qRed(kInk), qGreen(kInk), qBlue(kInk), alpha));
    image.setPixel(0, 1, qRgba(255, 0, 255, alpha));
    image.setPixel(2, 0, qRgba(255, 0, 255, alpha));
    if (format == QImage::Format_RGB32) {
        image.reinterpretAsFormat(QImage::Format_RGB32);  // keeps the fourth bytes as they are
        return image;
    }
    if (format == QImage::Format_Indexed8) {
        return image.convertToFormat(format, {kInk, kKey});  // this exact table
    }
    return image.convertToFormat(format);
}

QImage drawn(TBitmap& bitmap) {
    QImage canvas(3, 2, QImage::Format_RGB32);
    canvas.fill(kBelow);
    QPainter painter(&canvas);
    bitmap.draw(painter, QRect(0, 0, 3, 2));
    return canvas;
}

struct Form {
    const char* name;
    QImage picture;
};

void PrintTo(const Form& form, std::ostream* out) {
    *out << form.name;
}

class BitmapDraw : public ::testing::TestWithParam<Form> {};

TEST_P(BitmapDraw, TransparentLeavesOutExactlyTheKeyAndOpaqueDrawsEveryPixel) {
    TBitmap bitmap(GetParam().picture);
    bitmap.setTransparent(true);
    QImage canvas = drawn(bitmap);
    EXPECT_EQ(canvas.pixel(0, 1), kBelow);
    EXPECT_EQ(canvas.pixel(2, 0), kBelow);
    EXPECT_EQ(canvas.pixel(1, 0), kInk);
    EXPECT_EQ(canvas.pixel(1, 1), kInk);

    bitmap.setTransparent(false);  // the flag is read at every draw
    canvas = drawn(bitmap);
    EXPECT_EQ(canvas.pixel(0, 1), kKey);
    EXPECT_EQ(canvas.pixel(1, 0), kInk);
}

INSTANTIATE_TEST_SUITE_P(Forms, BitmapDraw,
                         ::testing::Values(Form{"Rgb32", keyedPicture(QImage::Format_RGB32)},
                                           Form{"Rgb32WithZeroFourthBytes",
                                                keyedPicture(QImage::Format_RGB32, 0)},
                                           Form{"Bgr888", keyedPicture(QImage::Format_BGR888)},
                                           Form{"Indexed8", keyedPicture(QImage::Format_Indexed8)}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vestura
