#include "picture/bmp_reader.h"

#include "common/errors.h"
#include "common/messages.h"

namespace vestura {

DecodedBitmap readBmpFile(std::span<const std::uint8_t> file) {
    if (file.empty()) {
        return {};
    }
    throw EInvalidGraphic(std::string(msg::kBitmapInvalid));
}

}  // namespace vestura
