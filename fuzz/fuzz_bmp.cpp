// Fuzz target of the BMP reader: whole files and bare DIBs (the form icons and metafiles
// hand over, here also with an icon-style height override). Only the reader's own failures
// may come out of it.
#include <cstddef>
#include <cstdint>
#include <span>

#include "common/errors.h"
#include "picture/bmp/bmp_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    try {
        vestura::readBmpFile(bytes);
    } catch (const vestura::Exception&) {
    }
    constexpr std::size_t kFileHeaderSize = 14;
    if (size > kFileHeaderSize) {
        const auto dib = bytes.subspan(kFileHeaderSize);
        try {
            std::size_t end = 0;
            vestura::readDib(dib, 0, &end);
            if (end > dib.size()) {
                __builtin_trap();  // the reported end must lie inside the data
            }
        } catch (const vestura::Exception&) {
        }
        try {
            vestura::readDib(dib, static_cast<std::int32_t>(data[0] % 8) - 2);
        } catch (const vestura::Exception&) {
        }
    }
    return 0;
}
