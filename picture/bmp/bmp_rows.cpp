#include "picture/bmp/bmp_rows.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "picture/bmp/bit_fields.h"
#include "picture/byte_reader.h"

namespace vestura::bmp {

namespace {

constexpr std::uint32_t kOpaque = 0xFF000000u;

void indexedRow1(const std::uint8_t* src, uchar* dst, int width) {
    for (int x = 0; x < width; ++x) {
        dst[x] = (src[x >> 3] >> (7 - (x & 7))) & 1;
    }
}

void indexedRow4(const std::uint8_t* src, uchar* dst, int width) {
    for (int x = 0; x < width; ++x) {
        dst[x] = (x & 1) ? (src[x >> 1] & 0x0F) : (src[x >> 1] >> 4);
    }
}

void copyRow(const std::uint8_t* src, uchar* dst, std::size_t bytes) {
    std::memcpy(dst, src, bytes);
}

// 8-8-8 in the low 24 bits, the common 32-bit layout: only the unused byte changes.
void plainRow32(const std::uint8_t* src, uchar* dst, int width) {
    auto* out = reinterpret_cast<QRgb*>(dst);
    for (int x = 0; x < width; ++x) {
        out[x] = loadLe32(src + 4 * x) | kOpaque;
    }
}

// Every 16-bit value has its colour looked up: one load per pixel.
using Colors16 = std::vector<QRgb>;

Colors16 colorsOf16BitPixels(const ChannelMasks& masks) {
    const BitFieldDecoder fields(masks);
    Colors16 colors(std::size_t{1} << 16);
    for (std::uint32_t v = 0; v < colors.size(); ++v) {
        colors[v] = fields(v);
    }
    return colors;
}

void bitFieldRow16(const std::uint8_t* src, uchar* dst, int width, const Colors16& colors) {
    auto* out = reinterpret_cast<QRgb*>(dst);
    for (int x = 0; x < width; ++x) {
        out[x] = colors[loadLe16(src + 2 * x)];
    }
}

void bitFieldRow32(const std::uint8_t* src, uchar* dst, int width, const BitFieldDecoder& f) {
    auto* out = reinterpret_cast<QRgb*>(dst);
    for (int x = 0; x < width; ++x) {
        out[x] = f(loadLe32(src + 4 * x));
    }
}

bool isPlain32(const ChannelMasks& m) {
    return m.red == kDefaultMasks32.red && m.green == kDefaultMasks32.green &&
           m.blue == kDefaultMasks32.blue;
}

}  // namespace

QImage::Format outputFormat(int bitsPerPixel) {
    switch (bitsPerPixel) {
        case 24:
            return QImage::Format_BGR888;
        case 16:
        case 32:
            return QImage::Format_RGB32;
        default:
            return QImage::Format_Indexed8;
    }
}

RowDecoder makeRowDecoder(int bitsPerPixel, int width, const ChannelMasks& masks) {
    const auto w = static_cast<std::size_t>(width);
    switch (bitsPerPixel) {
        case 1:
            return [width](const std::uint8_t* s, uchar* d) { indexedRow1(s, d, width); };
        case 4:
            return [width](const std::uint8_t* s, uchar* d) { indexedRow4(s, d, width); };
        case 8:
            return [w](const std::uint8_t* s, uchar* d) { copyRow(s, d, w); };
        case 24:
            return [w](const std::uint8_t* s, uchar* d) { copyRow(s, d, 3 * w); };
        default:
            break;
    }
    if (bitsPerPixel == 32 && isPlain32(masks)) {
        return [width](const std::uint8_t* s, uchar* d) { plainRow32(s, d, width); };
    }
    if (bitsPerPixel == 16) {
        auto colors = std::make_shared<const Colors16>(colorsOf16BitPixels(masks));
        return [width, colors](const std::uint8_t* s, uchar* d) {
            bitFieldRow16(s, d, width, *colors);
        };
    }
    auto fields = std::make_shared<const BitFieldDecoder>(masks);
    return
        [width, fields](const std::uint8_t* s, uchar* d) { bitFieldRow32(s, d, width, *fields); };
}

void decodeRows(std::span<const std::uint8_t> pixels, std::size_t rowBytes, bool topDown,
                const RowDecoder& decode, QImage& image) {
    const int height = image.height();
    const std::size_t wholeRows = pixels.size() / rowBytes;
    std::vector<std::uint8_t> shortRow;  // a zero-padded copy for rows the data cuts off
    for (int row = 0; row < height; ++row) {
        uchar* dst = image.scanLine(topDown ? row : height - 1 - row);
        const auto index = static_cast<std::size_t>(row);
        if (index < wholeRows) {
            decode(pixels.data() + index * rowBytes, dst);
            continue;
        }
        if (shortRow.empty()) {
            shortRow.assign(rowBytes, 0);
            const std::size_t start = std::min(pixels.size(), index * rowBytes);
            std::copy(pixels.begin() + static_cast<std::ptrdiff_t>(start), pixels.end(),
                      shortRow.begin());
        } else {
            std::fill(shortRow.begin(), shortRow.end(), 0);
        }
        decode(shortRow.data(), dst);
    }
}

}  // namespace vestura::bmp
