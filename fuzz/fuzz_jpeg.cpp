// Fuzz target for JPEG pictures: the header pass at load, then the decode pass.
#include <cstdint>
#include <span>

#include "common/errors.h"
#include "picture/jpeg/jpeg_image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vestura::TJPEGImage picture;
    try {
        picture.loadFromBytes(std::span(data, size));
    } catch (const vestura::Exception&) {
        return 0;
    }
    const int headerWidth = picture.width();
    const int headerHeight = picture.height();
    try {
        const vestura::TBitmap& bitmap = picture.bitmap();
        // A decode that succeeds yields the size the headers announced.
        if (bitmap.width() != headerWidth || bitmap.height() != headerHeight) {
            __builtin_trap();
        }
    } catch (const vestura::Exception&) {
        // A failed decode keeps what it decoded and does not run again.
        picture.bitmap();
    }
    return 0;
}
