#include "picture/limits.h"

namespace vestura::limits {

std::optional<std::int64_t> paddedRowBytes(std::int64_t width, std::int64_t bitsPerPixel) {
    // Both factors are bounded first, so the product cannot overflow 64 bits.
    if (width < 0 || width > kMaxDimension || bitsPerPixel <= 0 || bitsPerPixel > 64) {
        return std::nullopt;
    }
    return (width * bitsPerPixel + 31) / 32 * 4;
}

bool fits(std::int64_t width, std::int64_t height, std::int64_t rowBytes) {
    if (width < 0 || height < 0 || width > kMaxDimension || height > kMaxDimension) {
        return false;
    }
    // rowBytes is at most kMaxDimension * 64 / 8 and height at most kMaxDimension: the
    // product stays far below 2^63.
    return rowBytes >= 0 && rowBytes <= kMaxDimension * 8 && rowBytes * height <= kMaxPixelBytes;
}

}  // namespace vestura::limits
