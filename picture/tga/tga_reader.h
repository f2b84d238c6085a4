// The TGA reader: uncompressed and run-length data; true colour at 15, 16, 24 and 32 bits,
// colour-mapped at 8 bits, grey at 8 bits and at 16 with alpha; either origin, rows in either
// direction.
#pragma once

#include <QImage>
#include <cstdint>
#include <span>

namespace vestura {

// Decodes a whole TGA file into an ARGB32 image with straight alpha, null for a picture
// with a side of 0. The descriptor's alpha bits decide whether the file's alpha is used:
// with none, every pixel is opaque, except that whole alpha bytes (32-bit true colour,
// 16-bit grey) are used when any of them is not 0. Raises EInvalidGraphic "TGA image is not
// valid" for a header outside what is supported, a picture beyond the limits, or data ending
// before the last pixel; EOutOfResources "Out of memory" when the pixels cannot be had.
QImage readTgaFile(std::span<const std::uint8_t> file);

}  // namespace vestura
