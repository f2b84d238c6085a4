// The BMP information header as the reader keeps it, and the format's fixed numbers.
// Internal to the BMP reader and its row decoders.
#pragma once

#include <cstdint>

namespace vestura::bmp {

inline constexpr std::uint32_t kCoreHeaderSize = 12;  // width/height as 16 bits, 3-byte colours
inline constexpr std::uint32_t kInfoHeaderSize = 40;
inline constexpr std::uint32_t kV2HeaderSize = 52;  // adds the red, green, blue masks
inline constexpr std::uint32_t kV3HeaderSize = 56;  // adds the alpha mask
inline constexpr std::uint32_t kOs2V2HeaderSize = 64;
inline constexpr std::uint32_t kV4HeaderSize = 108;
inline constexpr std::uint32_t kV5HeaderSize = 124;

enum Compression : std::uint32_t {
    kUncompressed = 0,
    kRle8 = 1,
    kRle4 = 2,
    kBitFields = 3,
};

// Red, green and blue masks of bit-field pixels. Alpha is never read: bitmaps draw opaque.
struct ChannelMasks {
    std::uint32_t red = 0;
    std::uint32_t green = 0;
    std::uint32_t blue = 0;
};

inline constexpr ChannelMasks kDefaultMasks16{0x7C00, 0x03E0, 0x001F};  // 5-5-5
inline constexpr ChannelMasks kDefaultMasks32{0xFF0000, 0x00FF00, 0x0000FF};

struct DibHeader {
    std::uint32_t size = 0;  // bytes of the header as stored
    std::int32_t width = 0;
    std::int32_t height = 0;  // negative for rows stored top-down
    std::uint16_t planes = 0;
    std::uint16_t bitsPerPixel = 0;
    std::uint32_t compression = kUncompressed;
    std::uint32_t imageSize = 0;
    std::int32_t xPelsPerMeter = 0;
    std::int32_t yPelsPerMeter = 0;
    std::uint32_t colorsUsed = 0;
    std::uint32_t colorsImportant = 0;
    ChannelMasks headerMasks;  // held by headers of 52 bytes and more

    bool core() const { return size == kCoreHeaderSize; }
    bool topDown() const { return height < 0; }
    std::int64_t rows() const { return height < 0 ? -std::int64_t{height} : height; }
    bool runLength() const { return compression == kRle8 || compression == kRle4; }
};

}  // namespace vestura::bmp
