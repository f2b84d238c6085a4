#include "picture/alpha_graphic.h"

#include <QPainter>

namespace vestura {

void AlphaGraphic::setStraightPixels(QImage straight) {
    for (int y = 0; y < straight.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(straight.scanLine(y));
        for (int x = 0; x < straight.width(); ++x) {
            row[x] = qPremultiply(row[x]);
        }
    }
    // Qt's own premultiplication, so the blend is the one it would make of straight pixels.
    straight.reinterpretAsFormat(QImage::Format_ARGB32_Premultiplied);
    image_ = std::move(straight);
}

void AlphaGraphic::draw(QPainter& painter, const QRect& rect) {
    if (empty()) {
        return;
    }
    painter.drawImage(rect, image_);
}

}  // namespace vestura
