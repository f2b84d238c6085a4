#include "picture/picture.h"

#include "common/errors.h"
#include "common/file_io.h"
#include "common/messages.h"
#include "common/path_case.h"
#include "picture/file_formats.h"

namespace vestura {

namespace {

// The file's bytes, found without regard to letter case when it does not exist as
// written; empty when the file is larger than `maxBytes`, the most a picture of its kind
// may need. A failure names the path as written.
std::optional<Bytes> readAsWritten(const std::string& path, std::int64_t maxBytes) {
    const std::string found = resolveIgnoringCase(path);
    try {
        return readFileUpTo(found, static_cast<std::uint64_t>(maxBytes));
    } catch (const EFOpenError& e) {
        throw EFOpenError(msg::format(msg::kCannotOpenFile, path), e.cause());
    }
}

}  // namespace

std::string TPicture::unknownExtensionMessage(const std::string& path) {
    const std::string extension = pictureExtension(path);
    if (fileFormats().find(extension) != nullptr) {
        return {};
    }
    return msg::format(msg::kUnknownExtension, extension);
}

void TPicture::loadFromFile(const std::string& path) {
    const TFileFormatsList::Entry* format = fileFormats().find(pictureExtension(path));
    if (format == nullptr) {
        throw EInvalidGraphic(unknownExtensionMessage(path));
    }
    std::unique_ptr<TGraphic> graphic = format->create();
    const std::optional<Bytes> file = readAsWritten(path, graphic->maxFileBytes());
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
