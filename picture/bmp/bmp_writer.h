// The bytes of an uncompressed 24-bit BMP file: file header, information header, colour
// table, bottom-up pixel rows.
#pragma once

#include <QImage>
#include <cstddef>
#include <span>

#include "common/file_io.h"

namespace vestura {

// The fixed sizes of the two headers and of one colour-table entry, and the most
// colour-table entries a file carries.
inline constexpr std::size_t kBmpFileHeaderSize = 14;
inline constexpr std::size_t kBmpInfoHeaderSize = 40;
inline constexpr std::size_t kBmpColorEntrySize = 4;
inline constexpr std::size_t kBmpMaxColors = 256;

// Where the four regions of an encoded file lie.
struct Bmp24Layout {
    std::size_t colors;       // colour-table entries written (at most kBmpMaxColors)
    std::size_t stride;       // bytes per pixel row, padded to a multiple of 4
    std::size_t imageSize;    // stride x height
    std::size_t pixelOffset;  // file header + information header + colour table
    std::size_t fileSize;     // pixelOffset + imageSize
};

// The layout for a width x height picture with `colors` table entries (entries beyond
// kBmpMaxColors are not written). Raises EInvalidGraphic "Bitmap image is not valid" when
// the file would not fit the format's 32-bit size fields.
Bmp24Layout bmp24Layout(int width, int height, std::size_t colors);

// Encodes `image` as a 24-bit BMP file. Every pixel keeps its red, green and blue (alpha is
// dropped, nothing is dithered); `colorTable` becomes the file's colour table (an empty
// table writes none). Rows are stored bottom-up; padding bytes are 0.
Bytes encodeBmp24(const QImage& image, std::span<const QRgb> colorTable);

}  // namespace vestura
