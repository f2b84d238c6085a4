// The largest picture any decoder accepts, and the largest file any reader takes in. These
// are policy, not format limits: they keep a hostile header from making us allocate more
// than a part could ever show. Every decoder checks a picture's size against them, with
// overflow-safe 64-bit arithmetic, before allocating anything for it.
//
// Why these numbers. A part shows at most 273 x 281 pixels of itself (the largest slot), so
// anything much bigger is wasted. Loading and first drawing any one picture must stay well
// within 256 MiB above the program's idle footprint, and the window holds seven part
// pictures at once (the CLI's render holds the same seven), so one picture may keep at most
// 32 MiB: seven of them stay under 224 MiB. The budget counts every copy the program keeps
// of a picture's pixels: the decoded rows, the 32-bit copy made for drawing, an icon's made
// image with the decoder's own intermediate, a JPEG's coefficient buffer, a metafile's
// 32-bit canvas. 32 MiB is still a 2048 x 2048 true-colour bitmap (about 55 times the
// largest slot), or 2590 x 2590 at 8 bits.
//   kMaxDimension (8192 per side) is policy: 30 times the widest slot, for strips;
//   the area budget, not this, is what bounds memory.
//   kMaxPictureBytes (32 MiB) is safety: seven pictures stay under the 256 MiB goal.
//   kMaxFileBytes (64 MiB) is safety: a file is read whole before it is decoded, and no
//   picture the budget admits needs a file this large (the largest, a 32-bit bitmap at the
//   budget, is under 17 MiB); a larger file is refused before it is read.
#pragma once

#include <cstdint>
#include <optional>

namespace vestura::limits {

inline constexpr std::int64_t kMaxDimension = 8192;                       // pixels, per axis
inline constexpr std::int64_t kMaxPictureBytes = std::int64_t{32} << 20;  // every copy kept
inline constexpr std::int64_t kMaxFileBytes = std::int64_t{64} << 20;     // one file read
// The 32-bit copy a picture is drawn from (or drawn onto), per pixel.
inline constexpr std::int64_t kDisplayCopyBytes = 4;

// Bytes of one stored row of `width` pixels at `bitsPerPixel`, padded to 4 bytes.
// Empty when width or bits are out of range.
std::optional<std::int64_t> paddedRowBytes(std::int64_t width, std::int64_t bitsPerPixel);

// True when a width x height picture fits the limits: each side at most kMaxDimension, and
// what is kept of it, `rowBytes` per row plus `bytesPerPixel` for every pixel (the display
// copy, a canvas, a decoder's intermediate) plus `otherBytes` held for the picture as a
// whole (a JPEG's coefficients), at most kMaxPictureBytes.
bool fits(std::int64_t width, std::int64_t height, std::int64_t rowBytes,
          std::int64_t bytesPerPixel = kDisplayCopyBytes, std::int64_t otherBytes = 0);

}  // namespace vestura::limits
