// BmpBuilder: makes BMP files (or bare DIBs) byte by byte for tests, including the odd and
// broken forms a reader must survive: any header size, core headers with 3-byte colours,
// bit-field masks, top-down rows, a gap before the pixels, RLE data, short data.
#pragma once

#include <QRgb>
#include <cstdint>
#include <optional>
#include <vector>

#include "common/file_io.h"

namespace vestura::test {

enum class BmpHeaderKind : std::uint32_t {
    Core = 12,  // 16-bit width and height, 3-byte colour entries, no compression field
    Info = 40,  // masks of bit-field pixels follow the header
    V2 = 52,    // masks inside the header
    V3 = 56,
    V4 = 108,
    V5 = 124,
};

class BmpBuilder {
public:
    BmpBuilder& header(BmpHeaderKind kind);
    BmpBuilder& headerSize(std::uint32_t bytes);  // any size; the fields beyond 40 are zero
    BmpBuilder& size(std::int32_t width, std::int32_t height);
    BmpBuilder& bitsPerPixel(std::uint16_t bits);
    BmpBuilder& planes(std::uint16_t count);
    BmpBuilder& compression(std::uint32_t code);
    // Red, green, blue masks; also sets compression 3 (bit fields).
    BmpBuilder& masks(std::uint32_t red, std::uint32_t green, std::uint32_t blue);
    BmpBuilder& colorTable(std::vector<QRgb> colors);
    BmpBuilder& colorsUsed(std::uint32_t count);    // default: the colour table's size
    BmpBuilder& imageSize(std::uint32_t bytes);     // default: the pixel data's size
    BmpBuilder& topDown(bool on = true);            // stores the height negative
    BmpBuilder& gap(std::uint32_t bytes);           // filler before the pixels, offset past it
    BmpBuilder& pixelOffset(std::uint32_t offset);  // overrides the file header's offset

    // Stored rows, top row first as the picture shows; each is padded to 4 bytes, and they
    // are written bottom-up unless topDown() is set.
    BmpBuilder& rows(const std::vector<Bytes>& topFirst);
    // Rows of colour indexes, packed at the bit depth (1, 4 or 8), top row first.
    BmpBuilder& indexRows(const std::vector<std::vector<std::uint8_t>>& topFirst);
    // Pixel bytes stored exactly as given (RLE data, data cut short).
    BmpBuilder& pixelData(Bytes bytes);

    Bytes build() const;     // a whole file
    Bytes buildDib() const;  // header, masks, colour table, pixels: no file header

private:
    Bytes infoHeader() const;
    Bytes afterHeader() const;  // masks (after a 40-byte header), colour table, gap
    Bytes pixelBytes() const;

    std::uint32_t headerSize_ = static_cast<std::uint32_t>(BmpHeaderKind::Info);
    std::int32_t width_ = 1;
    std::int32_t height_ = 1;
    std::uint16_t bits_ = 24;
    std::uint16_t planes_ = 1;
    std::uint32_t compression_ = 0;
    std::optional<std::vector<std::uint32_t>> masks_;
    std::vector<QRgb> colors_;
    std::optional<std::uint32_t> colorsUsed_;
    std::optional<std::uint32_t> imageSize_;
    bool topDown_ = false;
    std::uint32_t gap_ = 0;
    std::optional<std::uint32_t> pixelOffset_;
    std::vector<Bytes> rows_;
    std::optional<Bytes> pixels_;  // raw pixel data, when given instead of rows
};

// Stored row bytes for 16- and 32-bit pixels and for 24-bit colours (blue, green, red).
Bytes pixels16(const std::vector<std::uint16_t>& values);
Bytes pixels32(const std::vector<std::uint32_t>& values);
Bytes pixels24(const std::vector<QRgb>& colors);

// RLE commands, to be joined with rle::join.
namespace rle {
Bytes run(std::uint8_t count, std::uint8_t value);
Bytes endOfLine();
Bytes endOfBitmap();
Bytes delta(std::uint8_t right, std::uint8_t up);
// An absolute run of indexes (bytes for RLE8, nibbles for RLE4), padded to 16 bits.
Bytes absolute(const std::vector<std::uint8_t>& indexes, int bitsPerPixel);
Bytes join(const std::vector<Bytes>& commands);
}  // namespace rle

}  // namespace vestura::test
