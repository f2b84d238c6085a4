// Turns the built-in picture files into what the widgets draw.
#include "app/builtin_art.h"

#include <QPainter>

#include "picture/allocation.h"
#include "picture/bmp/bitmap.h"
#include "picture/builtin.h"
#include "picture/display.h"
#include "picture/file_formats.h"

namespace vestura {

QImage stretchedBackground(QSize size) {
    QImage image = allocateImage(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    const std::unique_ptr<TBitmap> background = loadBuiltinBitmap(BuiltinPicture::Background);
    QPainter painter(&image);
    background->draw(painter, QRect(QPoint(0, 0), size));
    return image;
}

std::shared_ptr<TGraphic> baseSkin() {
    return loadBuiltinBitmap(BuiltinPicture::BaseSkin);
}

QIcon programIcon() {
    const std::unique_ptr<TGraphic> icon = fileFormats().find("ico")->create();
    icon->loadFromBytes(builtinPictureFile(BuiltinPicture::ProgramIcon));
    const int side = display().iconSize;
    QImage image = allocateImage(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    icon->draw(painter, QRect(0, 0, side, side));
    painter.end();
    return QIcon(QPixmap::fromImage(image));
}

}  // namespace vestura
