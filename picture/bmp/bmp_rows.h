// The row decoders of uncompressed BMP pixels: one per stored layout, each turning one
// stored row into one row of the output image.
#pragma once

#include <QImage>
#include <cstdint>
#include <functional>
#include <span>

#include "picture/bmp/bmp_format.h"

namespace vestura::bmp {

// Decodes the stored row `src` (its full padded length) into the output row `dst`.
using RowDecoder = std::function<void(const std::uint8_t* src, uchar* dst)>;

// The output image format for a bit depth: Indexed8 up to 8 bits, BGR888 for 24,
// opaque RGB32 for 16 and 32.
QImage::Format outputFormat(int bitsPerPixel);

// The decoder for `width` pixels at `bitsPerPixel`; `masks` is used for 16 and 32 bits.
RowDecoder makeRowDecoder(int bitsPerPixel, int width, const ChannelMasks& masks);

// Fills `image` from the stored rows in `pixels`, each `rowBytes` long, bottom row first
// unless `topDown`. Rows the data lacks, wholly or in part, decode as zero bytes.
void decodeRows(std::span<const std::uint8_t> pixels, std::size_t rowBytes, bool topDown,
                const RowDecoder& decode, QImage& image);

}  // namespace vestura::bmp
