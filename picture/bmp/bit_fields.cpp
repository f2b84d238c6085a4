#include "picture/bmp/bit_fields.h"

#include <bit>

namespace vestura::bmp {

namespace {

bool contiguous(std::uint32_t mask) {
    const std::uint32_t low = mask >> std::countr_zero(mask);
    return (low & (low + 1)) == 0;
}

}  // namespace

bool validMasks(const ChannelMasks& masks, int bitsPerPixel) {
    const std::uint64_t pixelBits = (std::uint64_t{1} << bitsPerPixel) - 1;
    std::uint32_t seen = 0;
    for (const std::uint32_t mask : {masks.red, masks.green, masks.blue}) {
        if (mask == 0 || !contiguous(mask) || (mask & ~pixelBits) != 0 || (mask & seen) != 0) {
            return false;
        }
        seen |= mask;
    }
    return true;
}

BitFieldDecoder::Channel::Channel(std::uint32_t channelMask) : mask(channelMask) {
    const int low = std::countr_zero(mask);
    const int width = std::popcount(mask);
    const int kept = width < kMaxTableBits ? width : kMaxTableBits;
    // Only the kept top bits survive the mask, so the table index stays below 2^kept.
    mask &= ~((std::uint32_t{1} << (low + width - kept)) - 1);
    shift = low + width - kept;
    const std::uint32_t max = (std::uint32_t{1} << kept) - 1;
    for (std::uint32_t v = 0; v <= max; ++v) {
        table[v] = static_cast<std::uint8_t>((v * 255 + max / 2) / max);
    }
}

BitFieldDecoder::BitFieldDecoder(const ChannelMasks& masks)
    : red_(masks.red), green_(masks.green), blue_(masks.blue) {}

}  // namespace vestura::bmp
