// Builders for icon files: directory entries over DIB images (XOR pixels plus AND mask) or
// PNG data, with hooks to damage the directory.
#pragma once

#include <QImage>
#include <cstdint>
#include <vector>

#include "common/file_io.h"

namespace vestura::test {

// An icon DIB of `picture` (any format): 40-byte header with the doubled height, XOR rows
// bottom-up at `bitsPerPixel` (8 with a colour table of the picture's colours, 24 or 32),
// then the AND mask, whose bits are set where the picture's alpha is 0. At 32 bits the
// alpha bytes carry the picture's alpha when `keepAlpha`, else 0.
Bytes iconDib(const QImage& picture, int bitsPerPixel, bool keepAlpha = false);

// The picture as PNG file bytes.
Bytes pngBytes(const QImage& picture);

class IconBuilder {
public:
    explicit IconBuilder(std::uint16_t type = 1) : type_(type) {}

    // A directory entry: width and height bytes (0 = 256), colour count byte (0 = unlimited)
    // and the image data.
    IconBuilder& entry(int width, int height, int colorCount, Bytes image);
    // Makes the last entry claim this offset and size instead of the true ones.
    IconBuilder& claim(std::uint32_t offset, std::uint32_t size);

    Bytes build() const;

private:
    struct Entry {
        int width, height, colorCount;
        Bytes image;
        std::int64_t claimedOffset = -1;
        std::int64_t claimedSize = -1;
    };
    std::uint16_t type_;
    std::vector<Entry> entries_;
};

}  // namespace vestura::test
