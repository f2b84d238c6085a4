#include "picture/picture.h"

#include "common/errors.h"
#include "common/file_io.h"
#include "common/messages.h"
#include "picture/file_formats.h"
#include "picture/limits.h"

namespace vestura {

void TPicture::loadFromFile(const std::string& path) {
    const std::string extension = pictureExtension(path);
    const TFileFormatsList::Entry* format = fileFormats().find(extension);
    if (format == nullptr) {
        throw EInvalidGraphic(msg::format(msg::kUnknownExtension, extension));
    }
    std::unique_ptr<TGraphic> graphic = format->create();
    const std::optional<Bytes> file = readFileUpTo(path, limits::kMaxFileBytes);
    if (!file) {
        graphic->refuseOversizedFile();
    }
    graphic->loadFromBytes(*file);
    assign(std::move(graphic));
}

void TPicture::assign(std::unique_ptr<TGraphic> graphic) {
    graphic_ = std::move(graphic);
    if (onChange_) {
        onChange_();
    }
}

}  // namespace vestura
