// The transparent key: colours compared exactly, whatever index holds them.
#include <gtest/gtest.h>

#include <QPainter>

#include "picture/bmp/bitmap.h"

namespace vestura {
namespace {

constexpr QRgb kBackground = 0xFF204060;
constexpr QRgb kKey = 0xFF808080;      // the bottom-left pixel's colour
constexpr QRgb kNearKey = 0xFF808081;  // one level of blue away: not the key
constexpr QRgb kOther = 0xFFFF0000;

// A 3 x 2 picture: top row key, near-key, other; bottom row key, other, key.
QImage keyedPicture() {
    QImage image(3, 2, QImage::Format_RGB32);
    const QRgb pixels[2][3] = {{kKey, kNearKey, kOther}, {kKey, kOther, kKey}};
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            image.setPixel(x, y, pixels[y][x]);
        }
    }
    return image;
}

QImage drawnOverBackground(TBitmap& bitmap) {
    QImage canvas(bitmap.width(), bitmap.height(), QImage::Format_ARGB32);
    canvas.fill(kBackground);
    QPainter painter(&canvas);
    bitmap.draw(painter, QRect(0, 0, bitmap.width(), bitmap.height()));
    painter.end();
    return canvas;
}

TEST(BitmapKeyColour, OpaqueDrawCoversEveryPixel) {
    TBitmap bitmap(keyedPicture());
    const QImage canvas = drawnOverBackground(bitmap);
    EXPECT_EQ(canvas.pixel(0, 0), kKey);
    EXPECT_EQ(canvas.pixel(2, 1), kKey);
}

TEST(BitmapKeyColour, TransparentDrawLeavesExactlyTheBottomLeftColourUndrawn) {
    TBitmap bitmap(keyedPicture());
    bitmap.setTransparent(true);
    EXPECT_EQ(bitmap.transparentColor() | 0xFF000000u, kKey);
    const QImage canvas = drawnOverBackground(bitmap);
    EXPECT_EQ(canvas.pixel(0, 0), kBackground);
    EXPECT_EQ(canvas.pixel(0, 1), kBackground);
    EXPECT_EQ(canvas.pixel(2, 1), kBackground);
    EXPECT_EQ(canvas.pixel(1, 0), kNearKey);
    EXPECT_EQ(canvas.pixel(2, 0), kOther);
    EXPECT_EQ(canvas.pixel(1, 1), kOther);
}

TEST(BitmapKeyColour, TransparentIndexedBitmapComparesColoursNotIndexes) {
    QImage image(2, 2, QImage::Format_Indexed8);
    image.setColorTable({kKey, kOther, kKey});
    image.setPixel(0, 0, 2);  // another index holding the key colour
    image.setPixel(1, 0, 1);
    image.setPixel(0, 1, 0);  // bottom-left
    image.setPixel(1, 1, 1);
    TBitmap bitmap(image);
    bitmap.setTransparent(true);
    const QImage canvas = drawnOverBackground(bitmap);
    EXPECT_EQ(canvas.pixel(0, 0), kBackground);
    EXPECT_EQ(canvas.pixel(0, 1), kBackground);
    EXPECT_EQ(canvas.pixel(1, 0), kOther);
}

TEST(BitmapKeyColour, EmptyBitmapDrawsNothing) {
    TBitmap bitmap;
    QImage canvas(2, 2, QImage::Format_ARGB32);
    canvas.fill(kBackground);
    QPainter painter(&canvas);
    bitmap.setTransparent(true);
    bitmap.draw(painter, QRect(0, 0, 2, 2));
    painter.end();
    EXPECT_EQ(canvas.pixel(1, 1), kBackground);
}

}  // namespace
}  // namespace vestura
