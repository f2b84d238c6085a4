// Makes TGA files for tests from a straight-alpha picture: true colour at 15, 16, 24 or 32
// bits, colour-mapped at 8 bits, grey at 8 bits or at 16 with alpha, stored or run-length,
// from either origin.
#pragma once

#include <QImage>
#include <cstdint>

#include "common/file_io.h"

namespace vestura::test {

struct TgaForm {
    int imageType = 2;      // 1 colour-mapped, 2 true colour, 3 grey
    int pixelBits = 32;     // 8 for colour-mapped, 8 or 16 for grey
    int mapEntryBits = 24;  // colour-mapped: 15, 16, 24 or 32
    int alphaBits = 8;      // the descriptor's alpha bits
    bool runLength = false;
    bool topDown = false;
    bool rightToLeft = false;
};

// `picture` (ARGB32, straight alpha) stored in `form`. 15/16-bit values keep the top five
// bits of each channel and alpha >= 128 as the alpha bit; grey takes the red channel, and
// alpha after it at 16 bits; a colour map holds each distinct colour once.
Bytes tgaFile(const QImage& picture, const TgaForm& form = {});

}  // namespace vestura::test
