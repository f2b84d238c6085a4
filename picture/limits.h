// The largest picture any decoder accepts. These are policy, not format limits: they keep a
// hostile header from making us allocate gigabytes. Every decoder checks a picture's size
// against them, with overflow-safe 64-bit arithmetic, before allocating anything for it.
#pragma once

#include <cstdint>
#include <optional>

namespace vestura::limits {

inline constexpr std::int64_t kMaxDimension = 16384;                     // pixels, per axis
inline constexpr std::int64_t kMaxPixelBytes = std::int64_t{256} << 20;  // 256 MiB

// Bytes of one stored row of `width` pixels at `bitsPerPixel`, padded to 4 bytes.
// Empty when width or bits are out of range.
std::optional<std::int64_t> paddedRowBytes(std::int64_t width, std::int64_t bitsPerPixel);

// True when a width x height picture whose rows take `rowBytes` each fits the limits.
bool fits(std::int64_t width, std::int64_t height, std::int64_t rowBytes);

}  // namespace vestura::limits

// ---- Metafile playback work ----
#include <cstddef>

// One budget per playback, in work units of roughly one device pixel of solid fill. Every
// record and drawing call is charged from its arguments, in device pixels clipped to what
// can show, before the painter is asked to do it; when a charge does not fit, playback ends
// there and what was drawn stays. The budget is policy; the per-item costs are measured
// against QPainter on this machine so that a spent budget is about a tenth of a second of
// CPU (a skin draws up to seven metafiles).
namespace vestura::limits {

inline constexpr std::int64_t kMetafileWorkBudget = std::int64_t{1} << 26;  // policy
// Costs, in work units: measured, so they keep a spent budget within its time.
inline constexpr double kMetafileRecordWork = 16;              // every record read
inline constexpr double kMetafileDrawCallWork = 256;           // every call into the painter
inline constexpr double kMetafilePointWork = 8;                // every point or curve element
inline constexpr double kMetafileDashWork = 16;                // every dash of a broken pen
inline constexpr double kMetafileClipElementWork = 64;         // every element of a clip region
inline constexpr double kMetafileClipRowWork = 4;              // every device row a clip covers
inline constexpr double kMetafileGlyphWork = 512;              // every glyph, plus ...
inline constexpr double kMetafileGlyphSquareShare = 1.0 / 16;  // ... this share of its em square
inline constexpr double kMetafileBitmapPixelWork = 8;          // every decoded bitmap pixel
// A figure reaching this far beyond the visible area makes QPainter clip its outline
// itself, at a cost that does not shrink with what shows.
inline constexpr double kMetafileFarFigurePixels = 1 << 16;
inline constexpr double kMetafileFarFigureWork = 1 << 18;
// Safety: larger embedded bitmaps are never decoded, whatever budget is left (four
// 32-bit copies of 8M pixels stay within 128 MiB).
inline constexpr std::int64_t kMetafileMaxBitmapPixels = std::int64_t{1} << 23;
// Safety: the object table's size, as the record formats allow it.
inline constexpr std::size_t kMetafileMaxObjects = 65536;

}  // namespace vestura::limits
