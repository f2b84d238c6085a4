#include "picture/bmp/bmp_writer.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>

#include "common/errors.h"
#include "common/messages.h"
#include "picture/allocation.h"

namespace vestura {

namespace {

constexpr std::uint16_t kSignature = 0x4D42;  // "BM", little-endian
constexpr std::uint16_t kPlanes = 1;
constexpr std::uint16_t kBitsPerPixel = 24;
constexpr std::uint32_t kNoCompression = 0;

std::uint8_t* put16(std::uint8_t* out, std::uint16_t value) {
    out[0] = static_cast<std::uint8_t>(value);
    out[1] = static_cast<std::uint8_t>(value >> 8);
    return out + 2;
}

std::uint8_t* put32(std::uint8_t* out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        *out++ = static_cast<std::uint8_t>(value >> shift);
    }
    return out;
}

void writeHeaders(std::uint8_t* out, int width, int height, const Bmp24Layout& layout) {
    out = put16(out, kSignature);
    out = put32(out, static_cast<std::uint32_t>(layout.fileSize));
    out = put32(out, 0);  // two reserved 16-bit fields
    out = put32(out, static_cast<std::uint32_t>(layout.pixelOffset));

    out = put32(out, kBmpInfoHeaderSize);
    out = put32(out, static_cast<std::uint32_t>(width));
    out = put32(out, static_cast<std::uint32_t>(height));  // positive: bottom-up rows
    out = put16(out, kPlanes);
    out = put16(out, kBitsPerPixel);
    out = put32(out, kNoCompression);
    out = put32(out, static_cast<std::uint32_t>(layout.imageSize));
    out = put32(out, 0);  // horizontal pixels per metre
    out = put32(out, 0);  // vertical pixels per metre
    out = put32(out, static_cast<std::uint32_t>(layout.colors));
    put32(out, 0);  // important colours
}

void writeColorTable(std::uint8_t* out, std::span<const QRgb> table) {
    for (const QRgb color : table) {
        *out++ = static_cast<std::uint8_t>(qBlue(color));
        *out++ = static_cast<std::uint8_t>(qGreen(color));
        *out++ = static_cast<std::uint8_t>(qRed(color));
        *out++ = 0;  // reserved, whatever the entry's alpha
    }
}

// The picture as 32-bit pixels whose red, green and blue are the picture's own: RGB32 and
// ARGB32 already are; anything else is converted without dithering (premultiplied pixels
// are unpremultiplied, so a half-transparent pixel keeps its colour).
QImage asColorPixels(const QImage& image) {
    if (image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32) {
        return image;
    }
    return convertedImage(image, QImage::Format_ARGB32, Qt::ThresholdDither);
}

// Rows bottom-up, each pixel as blue, green, red. A QRgb held in memory on a little-endian
// machine is already blue, green, red, alpha, so four pixels become twelve bytes by dropping
// every fourth byte, stored as one 64-bit and one 32-bit word straight from registers (a
// word array in memory read back as wider words would stall every iteration on store
// forwarding); the loop stays byte-wise elsewhere.
void writePixels(std::uint8_t* out, const QImage& pixels, std::size_t stride) {
    const int width = pixels.width();
    for (int y = pixels.height() - 1; y >= 0; --y, out += stride) {
        const auto* row = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
        std::uint8_t* bgr = out;
        int x = 0;
        if constexpr (std::endian::native == std::endian::little) {
            for (; x + 4 <= width; x += 4, bgr += 12) {
                const std::uint64_t p0 = row[x], p1 = row[x + 1], p2 = row[x + 2];
                const std::uint32_t p3 = row[x + 3];
                const std::uint64_t low = (p0 & 0xFFFFFFu) | (p1 & 0xFFFFFFu) << 24 | p2 << 48;
                const std::uint32_t high = static_cast<std::uint32_t>(p2 >> 16 & 0xFFu) | p3 << 8;
                std::memcpy(bgr, &low, sizeof low);
                std::memcpy(bgr + sizeof low, &high, sizeof high);
            }
        }
        for (; x < width; ++x) {
            *bgr++ = static_cast<std::uint8_t>(qBlue(row[x]));
            *bgr++ = static_cast<std::uint8_t>(qGreen(row[x]));
            *bgr++ = static_cast<std::uint8_t>(qRed(row[x]));
        }
    }
}

}  // namespace

Bmp24Layout bmp24Layout(int width, int height, std::size_t colors) {
    // 64-bit arithmetic: a QImage's sides are below 2^31, so nothing here overflows, and
    // the 32-bit size fields are checked before anything is written.
    const auto w = static_cast<std::uint64_t>(std::max(width, 0));
    const auto h = static_cast<std::uint64_t>(std::max(height, 0));
    const std::uint64_t stride = (w * kBitsPerPixel + 31) / 32 * 4;
    const std::uint64_t imageSize = stride * h;
    const std::uint64_t tableColors = std::min(colors, kBmpMaxColors);
    const std::uint64_t pixelOffset =
        kBmpFileHeaderSize + kBmpInfoHeaderSize + kBmpColorEntrySize * tableColors;
    const std::uint64_t fileSize = pixelOffset + imageSize;
    if (fileSize > std::numeric_limits<std::uint32_t>::max()) {
        throw EInvalidGraphic(std::string(msg::kBitmapInvalid));
    }
    return {static_cast<std::size_t>(tableColors), static_cast<std::size_t>(stride),
            static_cast<std::size_t>(imageSize), static_cast<std::size_t>(pixelOffset),
            static_cast<std::size_t>(fileSize)};
}

Bytes encodeBmp24(const QImage& image, std::span<const QRgb> colorTable) {
    const int width = image.isNull() ? 0 : image.width();
    const int height = image.isNull() ? 0 : image.height();
    const Bmp24Layout layout = bmp24Layout(width, height, colorTable.size());
    Bytes file(layout.fileSize);  // zero-filled, which is also every row's padding
    writeHeaders(file.data(), width, height, layout);
    writeColorTable(file.data() + kBmpFileHeaderSize + kBmpInfoHeaderSize,
                    colorTable.first(layout.colors));
    if (width > 0 && height > 0) {
        writePixels(file.data() + layout.pixelOffset, asColorPixels(image), layout.stride);
    }
    return file;
}

}  // namespace vestura
