// Pictures for preview and skin tests: patterned images whose every pixel tells where it
// came from, and stand-ins for a JPEG picture (opaque whatever its transparent flag, and
// one whose first draw fails the way a damaged JPEG's decode does).
#pragma once

#include <QImage>
#include <QSize>
#include <memory>
#include <string>

#include "picture/bitmap.h"
#include "picture/graphic.h"

namespace vestura::test {

// A picture of `size` whose pixels differ by position and by `seed`. Indexed8 pictures get
// a 256-entry colour table; the other formats hold the same kind of pattern.
QImage patterned(QSize size, int seed, QImage::Format format = QImage::Format_RGB32);

// A solid picture.
QImage filled(QSize size, QRgb color);

std::unique_ptr<TBitmap> bitmapOf(const QImage& image);

// Draws its pixels whole, ignoring the transparent flag, as a decoded JPEG does. With
// `failure` set, the first draw draws nothing and raises EJPEG with that message, after
// which it holds `partial` (what was decoded) and draws that without failing.
class FakeJpeg final : public TGraphic {
public:
    explicit FakeJpeg(QImage decoded) : image_(std::move(decoded)) {}
    FakeJpeg(QImage partial, std::string failure)
        : image_(std::move(partial)), failure_(std::move(failure)) {}

    int width() const override { return image_.width(); }
    int height() const override { return image_.height(); }
    bool empty() const override { return false; }
    void loadFromBytes(std::span<const std::uint8_t>) override {}
    void draw(QPainter& painter, const QRect& rect) override;

    int draws() const { return draws_; }

private:
    QImage image_;
    std::string failure_;
    int draws_ = 0;
};

}  // namespace vestura::test
