// TEMPORARY stand-in until the BMP reader's readDib lands: a weak definition that refuses
// every DIB, so the strong one replaces it at link time the moment it exists.
#include "common/errors.h"
#include "common/messages.h"
#include "picture/bmp_reader.h"

namespace vestura {

__attribute__((weak)) DecodedBitmap readDib(std::span<const std::uint8_t>, std::int32_t,
                                            std::size_t*) {
    throw EInvalidGraphic(std::string(msg::kBitmapInvalid));
}

}  // namespace vestura
