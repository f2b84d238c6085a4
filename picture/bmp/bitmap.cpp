#include "picture/bmp/bitmap.h"

#include <QPainter>

#include "common/errors.h"
#include "common/messages.h"
#include "picture/allocation.h"
#include "picture/bmp/bmp_reader.h"

namespace vestura {

TBitmap::TBitmap(QImage image, BitmapFileInfo info) : image_(std::move(image)), info_(info) {}

void TBitmap::loadFromBytes(std::span<const std::uint8_t> file) {
    DecodedBitmap decoded = readBmpFile(file);
    setImage(std::move(decoded.image), decoded.info);
}

void TBitmap::refuseOversizedFile() const {
    throw EInvalidGraphic(std::string(msg::kBitmapInvalid));
}

void TBitmap::setImage(QImage image, BitmapFileInfo info) {
    image_ = std::move(image);
    info_ = info;
    display_ = QImage();
}

QImage& TBitmap::mutableImage() {
    display_ = QImage();
    return image_;
}

QRgb TBitmap::transparentColor() const {
    return empty() ? 0 : image_.pixel(0, image_.height() - 1);
}

const QImage& TBitmap::displayImage() {
    if (display_.isNull() || displayTransparent_ != transparent()) {
        displayTransparent_ = transparent();
        display_ = QImage();  // the old copy goes before the new one is made
        display_ = convertedImage(image_, QImage::Format_RGB32);
        if (displayTransparent_) {
            // Opaque pixels stay as they are, key-coloured ones become fully transparent:
            // valid premultiplied pixels, so the reinterpretation copies nothing.
            const QRgb key = transparentColor() | 0xFF000000u;
            for (int y = 0; y < display_.height(); ++y) {
                auto* row = reinterpret_cast<QRgb*>(display_.scanLine(y));
                for (int x = 0; x < display_.width(); ++x) {
                    const QRgb opaque = row[x] | 0xFF000000u;
                    row[x] = opaque == key ? 0 : opaque;
                }
            }
            display_.reinterpretAsFormat(QImage::Format_ARGB32_Premultiplied);
        }
    }
    return display_;
}

void TBitmap::draw(QPainter& painter, const QRect& rect) {
    if (empty()) {
        return;
    }
    painter.drawImage(rect, displayImage());
}

}  // namespace vestura
