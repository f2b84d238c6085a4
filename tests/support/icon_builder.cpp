#include "tests/support/icon_builder.h"

#include <QBuffer>
#include <algorithm>

#include "tests/support/le_writer.h"

namespace vestura::test {

namespace {

constexpr std::size_t kHeaderBytes = 6;
constexpr std::size_t kEntryBytes = 16;

std::size_t padded(std::size_t bytes) {
    return (bytes + 3) / 4 * 4;
}

}  // namespace

Bytes iconDib(const QImage& source, int bitsPerPixel, bool keepAlpha) {
    const QImage picture = source.convertToFormat(QImage::Format_ARGB32);
    const int w = picture.width();
    const int h = picture.height();
    QList<QRgb> palette;
    if (bitsPerPixel == 8) {
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const QRgb rgb = picture.pixel(x, y) & RGB_MASK;
                if (!palette.contains(rgb)) {
                    palette.append(rgb);
                }
            }
        }
    }
    LeWriter w32;
    w32.u32(40).i32(w).i32(h * 2).u16(1).u16(bitsPerPixel).u32(0).u32(0).i32(0).i32(0);
    w32.u32(static_cast<std::uint32_t>(palette.size())).u32(0);
    for (QRgb rgb : palette) {
        w32.u8(qBlue(rgb)).u8(qGreen(rgb)).u8(qRed(rgb)).u8(0);
    }
    const std::size_t rowBytes = padded(static_cast<std::size_t>(w * bitsPerPixel / 8));
    for (int y = h - 1; y >= 0; --y) {
        std::size_t written = 0;
        for (int x = 0; x < w; ++x) {
            const QRgb p = picture.pixel(x, y);
            if (bitsPerPixel == 8) {
                w32.u8(static_cast<std::uint32_t>(palette.indexOf(p & RGB_MASK)));
                written += 1;
                continue;
            }
            w32.u8(qBlue(p)).u8(qGreen(p)).u8(qRed(p));
            written += 3;
            if (bitsPerPixel == 32) {
                w32.u8(keepAlpha ? qAlpha(p) : 0);
                ++written;
            }
        }
        for (; written < rowBytes; ++written) {
            w32.u8(0);
        }
    }
    const std::size_t maskRowBytes = padded(static_cast<std::size_t>((w + 7) / 8));
    for (int y = h - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(maskRowBytes, 0);
        for (int x = 0; x < w; ++x) {
            if (qAlpha(picture.pixel(x, y)) == 0) {
                row[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
            }
        }
        w32.bytes(row);
    }
    return w32.result();
}

Bytes pngBytes(const QImage& picture) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    return Bytes(data.begin(), data.end());
}

IconBuilder& IconBuilder::entry(int width, int height, int colorCount, Bytes image) {
    entries_.push_back({width, height, colorCount, std::move(image)});
    return *this;
}

IconBuilder& IconBuilder::claim(std::uint32_t offset, std::uint32_t size) {
    entries_.back().claimedOffset = offset;
    entries_.back().claimedSize = size;
    return *this;
}

Bytes IconBuilder::build() const {
    LeWriter w;
    w.u16(0).u16(type_).u16(static_cast<std::uint32_t>(entries_.size()));
    std::size_t offset = kHeaderBytes + kEntryBytes * entries_.size();
    for (const Entry& e : entries_) {
        const auto size = static_cast<std::uint32_t>(e.image.size());
        w.u8(e.width).u8(e.height).u8(e.colorCount).u8(0).u16(1).u16(32);
        w.u32(e.claimedSize >= 0 ? static_cast<std::uint32_t>(e.claimedSize) : size);
        w.u32(e.claimedOffset >= 0 ? static_cast<std::uint32_t>(e.claimedOffset)
                                   : static_cast<std::uint32_t>(offset));
        offset += size;
    }
    for (const Entry& e : entries_) {
        w.bytes(e.image);
    }
    return w.result();
}

}  // namespace vestura::test
