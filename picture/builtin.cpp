// Reads the built-in pictures from the program's compiled-in resources.
#include "picture/builtin.h"

#include <QResource>
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

ByteView builtinPictureBytes(BuiltinPicture which) {
    const char* path = resourcePath(which);
    const QResource resource(QString::fromLatin1(path));
    // The build stores them uncompressed (see picture/CMakeLists.txt), so the bytes are
    // the program's own read-only data and need no copy.
    if (!resource.isValid() || resource.compressionAlgorithm() != QResource::NoCompression) {
        throw EFOpenError(msg::format(msg::kCannotOpenFile, path));
    }
    return {resource.data(), static_cast<std::size_t>(resource.size())};
}

Bytes builtinPictureFile(BuiltinPicture which) {
    const ByteView bytes = builtinPictureBytes(which);
    return Bytes(bytes.begin(), bytes.end());
}

std::unique_ptr<TBitmap> loadBuiltinBitmap(BuiltinPicture which) {
    if (which == BuiltinPicture::ProgramIcon) {
        throw EInvalidGraphic(std::string(msg::kBitmapInvalid));
    }
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->loadFromBytes(builtinPictureBytes(which));
    return bitmap;
}

}  // namespace vestura
