// The largest picture any decoder accepts. These are policy, not format limits: they keep a
// hostile header from making us allocate gigabytes. Every decoder checks a picture's size
// against them, with overflow-safe 64-bit arithmetic, before allocating anything for it.
#pragma once

#include <cstdint>
#include <optional>

namespace vestura::limits {

inline constexpr std::int64_t kMaxDimension = 16384;                    // pixels, per axis
inline constexpr std::int64_t kMaxPixelBytes = std::int64_t{256} << 20;  // 256 MiB

// Bytes of one stored row of `width` pixels at `bitsPerPixel`, padded to 4 bytes.
// Empty when width or bits are out of range.
std::optional<std::int64_t> paddedRowBytes(std::int64_t width, std::int64_t bitsPerPixel);

// True when a width x height picture whose rows take `rowBytes` each fits the limits.
bool fits(std::int64_t width, std::int64_t height, std::int64_t rowBytes);

}  // namespace vestura::limits
