// The PNG decoder, through libpng: every colour type and bit depth, interlaced or not, with
// its alpha or tRNS transparency, into 8-bit straight-alpha pixels.
#pragma once

#include <QImage>
#include <cstdint>
#include <span>

namespace vestura {

// Decodes a whole PNG file into an ARGB32 image with straight alpha. The size in the header
// is checked against the limits before anything is allocated for the pixels; metadata
// chunks are skipped unread and gamma is not applied (the stored values are drawn). Raises
// EInvalidGraphic "PNG image is not valid" for anything libpng refuses, a picture beyond
// the limits or data ending early, and EOutOfResources "Out of memory" when memory runs out.
QImage decodePng(std::span<const std::uint8_t> file);

}  // namespace vestura
