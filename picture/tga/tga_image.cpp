#include "picture/tga/tga_image.h"

#include "common/errors.h"
#include "common/messages.h"
#include "picture/tga/tga_reader.h"

namespace vestura {

void TTgaImage::loadFromBytes(std::span<const std::uint8_t> file) {
    setStraightPixels(readTgaFile(file));
}

void TTgaImage::refuseOversizedFile() const {
    throw EInvalidGraphic(std::string(msg::kTgaInvalid));
}

}  // namespace vestura
