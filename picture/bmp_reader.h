// The BMP reader: every header kind, 1 to 32 bits per pixel, bit fields, RLE4 and RLE8.
#pragma once

#include <QImage>
#include <cstdint>
#include <span>

#include "picture/bitmap.h"

namespace vestura {

struct DecodedBitmap {
    QImage image;  // Indexed8, BGR888 or RGB32; null for a 0-byte file
    BitmapFileInfo info;
};

// Decodes a whole BMP file. Raises EReadError "Stream read error" or EInvalidGraphic
// "Bitmap image is not valid" as the format rules say.
DecodedBitmap readBmpFile(std::span<const std::uint8_t> file);

}  // namespace vestura
