// AlphaGraphic: what the pictures with an alpha channel (PNG, TGA) share. They hold one
// 32-bit image with premultiplied alpha, made once at load from the file's straight alpha,
// and draw it source-over in every slot: the transparent flag (a bitmap's colour key) does
// not apply to them.
#pragma once

#include <QImage>

#include "picture/graphic.h"

namespace vestura {

class AlphaGraphic : public TGraphic {
public:
    int width() const override { return image_.width(); }
    int height() const override { return image_.height(); }
    bool empty() const override { return image_.isNull() || image_.width() == 0; }

    // The file is held while the picture is built: no larger than the picture can need.
    std::int64_t maxFileBytes() const override { return limits::kMaxAlphaFileBytes; }

    // Draws the picture scaled into `rect`, blended over what lies below by its alpha.
    void draw(QPainter& painter, const QRect& rect) override;

    // ARGB32_Premultiplied; null for the empty picture.
    const QImage& image() const { return image_; }

protected:
    // Takes decoded pixels with straight alpha (ARGB32) and premultiplies them in place:
    // the one copy the picture keeps is the one the painter blends from.
    void setStraightPixels(QImage straight);

private:
    QImage image_;
};

}  // namespace vestura
