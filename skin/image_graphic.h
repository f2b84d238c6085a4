// Pictures the program makes itself rather than reads: a base skin taken from any picture
// file, and the coloured copy of a part. Each is one 32-bit image drawn as it is.
#pragma once

#include <QImage>
#include <memory>
#include <string>

#include "picture/graphic.h"

namespace vestura {

class ImageGraphic : public TGraphic {
public:
    // `image` is RGB32 or ARGB32_Premultiplied.
    explicit ImageGraphic(QImage image) : image_(std::move(image)) {}

    int width() const override { return image_.width(); }
    int height() const override { return image_.height(); }
    bool empty() const override { return image_.isNull(); }
    // Made in memory, never read from a file: both raise EInvalidGraphic.
    void loadFromBytes(std::span<const std::uint8_t> file) override;
    [[noreturn]] void refuseOversizedFile() const override;

    void draw(QPainter& painter, const QRect& rect) override;

    const QImage& image() const { return image_; }

private:
    QImage image_;
};

// Any picture file the program reads, as a base skin: drawn onto a 256 x 256 canvas, scaled
// smoothly when it has another size, where it is see-through only as the picture itself is.
// A 256 x 256 picture keeps its pixels exactly. Raises what loading or drawing the picture
// raises (its kind's own message, "Cannot open file", "Out of memory").
std::shared_ptr<TGraphic> loadBaseSkin(const std::string& path);

}  // namespace vestura
