// Makes PNG files for tests through libpng's writer: any colour type, bit depth and
// interlacing, with tRNS transparency, from a straight-alpha picture whose values the
// chosen form can hold exactly.
#pragma once

#include <QImage>
#include <optional>

#include "common/file_io.h"

namespace vestura::test {

struct PngForm {
    int colorType = 6;  // PNG_COLOR_TYPE_RGB_ALPHA
    int bitDepth = 8;
    bool interlaced = false;
    // Grey and RGB forms: the colour tRNS makes transparent. Palette forms always carry
    // their alpha in tRNS.
    std::optional<QRgb> transparentColor;
};

// `picture` (ARGB32, straight alpha) stored in `form`: grey forms take the red channel,
// 16-bit forms store v * 257, low bit depths store v * (2^depth - 1) / 255, and a palette
// holds each distinct colour once.
Bytes pngFile(const QImage& picture, const PngForm& form = {});

}  // namespace vestura::test
