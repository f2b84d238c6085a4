// Reads the animations Vestura writes back into whole frames, each through a decoder that
// is not the writer: libwebp's animation decoder, giflib's DGifSlurp, and for APNG a small
// chunk reader of its own (every CRC and sequence number checked) that hands each frame's
// data to Qt's PNG reader. Frames are composed onto the canvas as a player shows them.
#pragma once

#include <QImage>
#include <string>
#include <vector>

#include "common/file_io.h"

namespace vestura::test {

struct DecodedAnimation {
    std::vector<QImage> frames;      // whole canvases, Format_RGB32
    int loops = -1;                  // 0: forever; -1: the file says nothing
    std::vector<double> seconds;     // each frame's length
    std::vector<QRgb> palette;       // a GIF's colour table
    std::vector<QRect> rectangles;   // what each frame stores (GIF, APNG)
};

// Each fails the current test (ADD_FAILURE) and returns what it read so far when the file
// is not what it should be.
DecodedAnimation decodeWebP(const Bytes& file);
DecodedAnimation decodeGif(const Bytes& file);
DecodedAnimation decodeApng(const Bytes& file);
// By the file name's extension in any letter case: .webp, .gif, or .png for APNG.
DecodedAnimation decodeAnimationFile(const std::string& path);

}  // namespace vestura::test
