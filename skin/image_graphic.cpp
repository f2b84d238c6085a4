#include "skin/image_graphic.h"

#include <QPainter>

#include "common/errors.h"
#include "picture/allocation.h"
#include "picture/picture.h"
#include "skin/categories.h"

namespace vestura {

namespace {

[[noreturn]] void refuseFile() {
    throw EInvalidGraphic("A picture made by the program is not read from a file");
}

}  // namespace

void ImageGraphic::loadFromBytes(std::span<const std::uint8_t>) {
    refuseFile();
}

void ImageGraphic::refuseOversizedFile() const {
    refuseFile();
}

void ImageGraphic::draw(QPainter& painter, const QRect& rect) {
    if (!image_.isNull()) {
        painter.drawImage(rect, image_);
    }
}

std::shared_ptr<TGraphic> loadBaseSkin(const std::string& path) {
    TPicture picture;
    picture.loadFromFile(path);
    TGraphic& graphic = *picture.graphic();
    QImage canvas = allocateImage(kSkinSize, kSkinSize, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    {
        QPainter painter(&canvas);
        const bool sameSize = graphic.width() == kSkinSize && graphic.height() == kSkinSize;
        painter.setRenderHint(QPainter::SmoothPixmapTransform, !sameSize);
        graphic.draw(painter, canvas.rect());
    }
    return std::make_shared<ImageGraphic>(std::move(canvas));
}

}  // namespace vestura
