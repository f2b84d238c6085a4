// The BMP reader: every header kind, 1 to 32 bits per pixel, bit fields, RLE4 and RLE8.
#pragma once

#include <QImage>
#include <cstddef>
#include <cstdint>
#include <span>

#include "picture/bmp/bitmap.h"

namespace vestura {

struct DecodedBitmap {
    QImage image;  // Indexed8, BGR888 or RGB32; null for a 0-byte file or a 0-pixel side
    BitmapFileInfo info;
};

// Decodes a whole BMP file. A 0-byte file gives the empty bitmap. Raises EReadError
// "Stream read error" for a file shorter than its 14-byte header or ending inside its masks
// or colour table, and EInvalidGraphic "Bitmap image is not valid" for anything else it
// cannot decode: no "BM", planes other than 1, a header, depth, compression, colour count
// or set of masks outside what is supported, or a picture beyond the size limits.
//
// Output: Indexed8 with the file's colour table made opaque for 1, 4 and 8 bits and RLE
// (indexes beyond the table draw opaque black); BGR888 for 24 bits; opaque RGB32 for 16 and
// 32 bits (any alpha in the file is ignored). Pixel bytes the file lacks count as zero.
DecodedBitmap readBmpFile(std::span<const std::uint8_t> file);

// Decodes a DIB held in memory: information header (12 to 124 bytes), masks, colour table,
// pixels, with no file header; the pixels follow the colour table directly. A non-zero
// `height` replaces the header's height (an icon's header counts its XOR image and AND
// mask together); the uncompressed pixel bytes then count as the padded rows of that
// height, whatever the header's image size says. On return *pixelsEnd (when given) is the
// offset just after the pixel bytes consumed. Raises as readBmpFile does.
DecodedBitmap readDib(std::span<const std::uint8_t> dib, std::int32_t height = 0,
                      std::size_t* pixelsEnd = nullptr);

}  // namespace vestura
