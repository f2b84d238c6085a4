// Bit-field pixels: checking the masks a file gives, and widening each channel to 8 bits.
#pragma once

#include <QRgb>
#include <array>
#include <cstdint>

#include "picture/bmp/bmp_format.h"

namespace vestura::bmp {

// True when every mask is one run of set bits inside the pixel's `bitsPerPixel` bits and
// no two masks share a bit.
bool validMasks(const ChannelMasks& masks, int bitsPerPixel);

// Turns a 16- or 32-bit pixel into an opaque colour. A channel of n bits with value v
// becomes round(v * 255 / (2^n - 1)), the nearest 8-bit level. A channel wider than 12 bits
// keeps its top 12 bits first, which keeps the tables small and moves a result by at most
// one level.
class BitFieldDecoder {
public:
    explicit BitFieldDecoder(const ChannelMasks& masks);  // masks must be valid

    QRgb operator()(std::uint32_t pixel) const {
        return 0xFF000000u | (red_.widen(pixel) << 16) | (green_.widen(pixel) << 8) |
               blue_.widen(pixel);
    }

private:
    static constexpr int kMaxTableBits = 12;

    struct Channel {
        explicit Channel(std::uint32_t mask);
        std::uint32_t widen(std::uint32_t pixel) const { return table[(pixel & mask) >> shift]; }

        std::uint32_t mask;
        int shift;  // moves the kept bits of the channel down to bit 0
        std::array<std::uint8_t, 1u << kMaxTableBits> table{};
    };

    Channel red_;
    Channel green_;
    Channel blue_;
};

}  // namespace vestura::bmp
