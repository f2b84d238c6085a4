#include "picture/png/png_image.h"

#include "common/errors.h"
#include "common/messages.h"
#include "picture/png/png_decoder.h"

namespace vestura {

void TPngImage::loadFromBytes(std::span<const std::uint8_t> file) {
    setStraightPixels(decodePng(file));
}

void TPngImage::refuseOversizedFile() const {
    throw EInvalidGraphic(std::string(msg::kPngInvalid));
}

}  // namespace vestura
