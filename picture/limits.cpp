#include "picture/limits.h"

namespace vestura::limits {

std::optional<std::int64_t> paddedRowBytes(std::int64_t width, std::int64_t bitsPerPixel) {
    // Both factors are bounded first, so the product cannot overflow 64 bits.
    if (width < 0 || width > kMaxDimension || bitsPerPixel <= 0 || bitsPerPixel > 64) {
        return std::nullopt;
    }
    return (width * bitsPerPixel + 31) / 32 * 4;
}

bool fits(std::int64_t width, std::int64_t height, std::int64_t rowBytes,
          std::int64_t bytesPerPixel, std::int64_t otherBytes) {
    if (width < 0 || height < 0 || width > kMaxDimension || height > kMaxDimension) {
        return false;
    }
    constexpr std::int64_t kMaxRowBytes = kMaxDimension * 8;
    constexpr std::int64_t kMaxBytesPerPixel = 64;
    if (rowBytes < 0 || rowBytes > kMaxRowBytes || bytesPerPixel < 0 ||
        bytesPerPixel > kMaxBytesPerPixel || otherBytes < 0 || otherBytes > kMaxPictureBytes) {
        return false;
    }
    // Every factor is bounded above (sides 2^13, rows 2^16 bytes, 2^6 bytes a pixel): the
    // sums of products stay far below 2^63.
    return rowBytes * height + bytesPerPixel * width * height + otherBytes <= kMaxPictureBytes;
}

}  // namespace vestura::limits
