// The decoder of run-length compressed BMP pixels (RLE8 and RLE4).
#pragma once

#include <QImage>
#include <cstdint>
#include <span>

namespace vestura::bmp {

// Decodes RLE8 (`bitsPerPixel` 8) or RLE4 (4) data into every pixel of `image`, an Indexed8
// image: the pixels the data never writes take colour index 0. Rows are
// counted from the bottom, as in every compressed BMP. Data that runs off the picture is
// dropped; data that ends without its end-of-bitmap mark leaves the rest as it is.
void decodeRle(std::span<const std::uint8_t> data, int bitsPerPixel, QImage& image);

}  // namespace vestura::bmp
