// Reads the built-in pictures from the program's compiled-in resources.
#include "picture/builtin.h"

#include <QFile>
#include <QString>

#include "common/errors.h"
#include "common/messages.h"
#include "picture/bmp/bmp_reader.h"

namespace vestura {
namespace {

const char* resourcePath(BuiltinPicture which) {
    switch (which) {
        case BuiltinPicture::BaseSkin:
            return ":/assets/base_skin.bmp";
        case BuiltinPicture::Background:
            return ":/assets/background.bmp";
        case BuiltinPicture::ProgramIcon:
            return ":/assets/vestura.ico";
    }
    throw EInvalidGraphic(std::string(msg::kBitmapInvalid));
}

}  // namespace

Bytes builtinPictureFile(BuiltinPicture which) {
    const char* path = resourcePath(which);
    QFile file(QString::fromLatin1(path));
    if (!file.open(QIODevice::ReadOnly)) {
        throw EFOpenError(msg::format(msg::kCannotOpenFile, path));
    }
    const QByteArray content = file.readAll();
    return Bytes(content.begin(), content.end());
}

std::unique_ptr<TBitmap> loadBuiltinBitmap(BuiltinPicture which) {
    if (which == BuiltinPicture::ProgramIcon) {
        throw EInvalidGraphic(std::string(msg::kBitmapInvalid));
    }
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->loadFromBytes(builtinPictureFile(which));
    return bitmap;
}

}  // namespace vestura
