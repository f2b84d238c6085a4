#include "picture/picture.h"

#include "common/errors.h"
#include "common/file_io.h"
#include "common/messages.h"
#include "common/path_case.h"
#include "picture/file_formats.h"

namespace vestura {

namespace {

// The file's bytes, found without regard to letter case when it does not exist as
// written; a failure names the path as written.
Bytes readAsWritten(const std::string& path) {
    const std::string found = resolveIgnoringCase(path);
    try {
        return readWholeFile(found);
    } catch (const EFOpenError&) {
        throw EFOpenError(msg::format(msg::kCannotOpenFile, path));
    }
}

}  // namespace

void TPicture::loadFromFile(const std::string& path) {
    const std::string extension = pictureExtension(path);
    const TFileFormatsList::Entry* format = fileFormats().find(extension);
    if (format == nullptr) {
        throw EInvalidGraphic(msg::format(msg::kUnknownExtension, extension));
    }
    std::unique_ptr<TGraphic> graphic = format->create();
    graphic->loadFromBytes(readAsWritten(path));
    assign(std::move(graphic));
}

void TPicture::assign(std::unique_ptr<TGraphic> graphic) {
    graphic_ = std::move(graphic);
    if (onChange_) {
        onChange_();
    }
}

}  // namespace vestura
