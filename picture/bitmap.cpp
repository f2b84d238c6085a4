#include "picture/bitmap.h"

#include <QPainter>

#include "picture/bmp_reader.h"

namespace vestura {

TBitmap::TBitmap(QImage image, BitmapFileInfo info)
    : image_(std::move(image)), info_(info) {}

void TBitmap::loadFromBytes(std::span<const std::uint8_t> file) {
    DecodedBitmap decoded = readBmpFile(file);
    setImage(std::move(decoded.image), decoded.info);
}

void TBitmap::setImage(QImage image, BitmapFileInfo info) {
    image_ = std::move(image);
    info_ = info;
    masked_ = QImage();
}

QImage& TBitmap::mutableImage() {
    masked_ = QImage();
    return image_;
}

QRgb TBitmap::transparentColor() const {
    return empty() ? 0 : image_.pixel(0, image_.height() - 1);
}

const QImage& TBitmap::maskedImage() {
    if (masked_.isNull()) {
        const QRgb key = transparentColor() | 0xFF000000u;
        masked_ = image_.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < masked_.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(masked_.scanLine(y));
            for (int x = 0; x < masked_.width(); ++x) {
                if ((row[x] | 0xFF000000u) == key) {
                    row[x] = 0;
                }
            }
        }
    }
    return masked_;
}

void TBitmap::draw(QPainter& painter, const QRect& rect) {
    if (empty()) {
        return;
    }
    painter.drawImage(rect, transparent() ? maskedImage() : image_);
}

}  // namespace vestura
