// TBitmap: a picture held as pixel rows. BMP files decode into it, JPEGs decode into one,
// and Save's composed skin is one.
#pragma once

#include <QImage>
#include <cstdint>

#include "picture/graphic.h"

namespace vestura {

// What a BMP file says about itself beyond its pixels, kept as read.
struct BitmapFileInfo {
    int bitsPerPixel = 0;  // 1, 4, 8, 16, 24 or 32 as stored
    std::int32_t xPelsPerMeter = 0;
    std::int32_t yPelsPerMeter = 0;
    std::uint32_t colorsUsed = 0;  // the colour table's entry count
    std::uint32_t colorsImportant = 0;
};

class TBitmap final : public TGraphic {
public:
    TBitmap() = default;
    // Takes pixels that are already decoded. The image is Indexed8 (with its colour
    // table), BGR888 or RGB32; a null image is the empty 0 x 0 bitmap.
    explicit TBitmap(QImage image, BitmapFileInfo info = {});

    int width() const override { return image_.width(); }
    int height() const override { return image_.height(); }
    bool empty() const override { return image_.isNull() || image_.width() == 0; }

    // The BMP reader.
    void loadFromBytes(std::span<const std::uint8_t> file) override;
    [[noreturn]] void refuseOversizedFile() const override;
    void draw(QPainter& painter, const QRect& rect) override;

    const QImage& image() const { return image_; }
    const BitmapFileInfo& info() const { return info_; }

    // Replaces the pixels (a decoder filling the bitmap row by row does it in place
    // through mutableImage()).
    void setImage(QImage image, BitmapFileInfo info);
    QImage& mutableImage();

    // The colour that transparent drawing leaves out: the bottom-left pixel's.
    QRgb transparentColor() const;

private:
    const QImage& displayImage();

    QImage image_;
    BitmapFileInfo info_;
    // image_ in the form a painter copies without converting it row by row (RGB32, or
    // premultiplied ARGB32 with the transparent colour cut out), made at the first draw.
    QImage display_;
    bool displayTransparent_ = false;  // which of the two display_ holds
};

}  // namespace vestura
