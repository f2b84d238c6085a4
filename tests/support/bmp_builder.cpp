#include "tests/support/bmp_builder.h"

namespace vestura::test {

namespace {

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kMaskedHeaderSize = 52;
constexpr std::uint32_t kBitFields = 3;

void put16(Bytes& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void put32(Bytes& out, std::uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

void append(Bytes& out, const Bytes& more) {
    out.insert(out.end(), more.begin(), more.end());
}

Bytes padded(Bytes row) {
    row.resize((row.size() + 3) / 4 * 4, 0);
    return row;
}

Bytes packIndexes(const std::vector<std::uint8_t>& indexes, int bits) {
    Bytes row((indexes.size() * bits + 7) / 8, 0);
    for (std::size_t i = 0; i < indexes.size(); ++i) {
        const std::size_t bit = i * bits;
        const int shift = 8 - bits - static_cast<int>(bit % 8);
        row[bit / 8] |= static_cast<std::uint8_t>((indexes[i] & ((1 << bits) - 1)) << shift);
    }
    return row;
}

}  // namespace

BmpBuilder& BmpBuilder::header(BmpHeaderKind kind) {
    headerSize_ = static_cast<std::uint32_t>(kind);
    return *this;
}
BmpBuilder& BmpBuilder::headerSize(std::uint32_t bytes) {
    headerSize_ = bytes;
    return *this;
}
BmpBuilder& BmpBuilder::size(std::int32_t width, std::int32_t height) {
    width_ = width;
    height_ = height;
    return *this;
}
BmpBuilder& BmpBuilder::bitsPerPixel(std::uint16_t bits) {
    bits_ = bits;
    return *this;
}
BmpBuilder& BmpBuilder::planes(std::uint16_t count) {
    planes_ = count;
    return *this;
}
BmpBuilder& BmpBuilder::compression(std::uint32_t code) {
    compression_ = code;
    return *this;
}
BmpBuilder& BmpBuilder::masks(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
    masks_ = std::vector<std::uint32_t>{red, green, blue};
    compression_ = kBitFields;
    return *this;
}
BmpBuilder& BmpBuilder::colorTable(std::vector<QRgb> colors) {
    colors_ = std::move(colors);
    return *this;
}
BmpBuilder& BmpBuilder::colorsUsed(std::uint32_t count) {
    colorsUsed_ = count;
    return *this;
}
BmpBuilder& BmpBuilder::imageSize(std::uint32_t bytes) {
    imageSize_ = bytes;
    return *this;
}
BmpBuilder& BmpBuilder::topDown(bool on) {
    topDown_ = on;
    return *this;
}
BmpBuilder& BmpBuilder::gap(std::uint32_t bytes) {
    gap_ = bytes;
    return *this;
}
BmpBuilder& BmpBuilder::pixelOffset(std::uint32_t offset) {
    pixelOffset_ = offset;
    return *this;
}

BmpBuilder& BmpBuilder::rows(const std::vector<Bytes>& topFirst) {
    rows_ = topFirst;
    pixels_.reset();
    return *this;
}

BmpBuilder& BmpBuilder::indexRows(const std::vector<std::vector<std::uint8_t>>& topFirst) {
    std::vector<Bytes> packed;
    for (const auto& row : topFirst) {
        packed.push_back(packIndexes(row, bits_));
    }
    return rows(packed);
}

BmpBuilder& BmpBuilder::pixelData(Bytes bytes) {
    pixels_ = std::move(bytes);
    return *this;
}

Bytes BmpBuilder::pixelBytes() const {
    if (pixels_) {
        return *pixels_;
    }
    Bytes out;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        append(out, padded(topDown_ ? rows_[i] : rows_[rows_.size() - 1 - i]));
    }
    return out;
}

Bytes BmpBuilder::infoHeader() const {
    Bytes out;
    put32(out, headerSize_);
    const std::int32_t height = topDown_ ? -height_ : height_;
    if (headerSize_ == static_cast<std::uint32_t>(BmpHeaderKind::Core)) {
        put16(out, static_cast<std::uint32_t>(width_));
        put16(out, static_cast<std::uint32_t>(height));
        put16(out, planes_);
        put16(out, bits_);
        return out;
    }
    put32(out, static_cast<std::uint32_t>(width_));
    put32(out, static_cast<std::uint32_t>(height));
    put16(out, planes_);
    put16(out, bits_);
    put32(out, compression_);
    put32(out, imageSize_.value_or(static_cast<std::uint32_t>(pixelBytes().size())));
    put32(out, 2835);  // 72 dpi
    put32(out, 2835);
    put32(out, colorsUsed_.value_or(static_cast<std::uint32_t>(colors_.size())));
    put32(out, 0);
    if (masks_ && headerSize_ >= kMaskedHeaderSize) {
        for (const std::uint32_t mask : *masks_) {
            put32(out, mask);
        }
    }
    out.resize(headerSize_, 0);
    return out;
}

Bytes BmpBuilder::afterHeader() const {
    Bytes out;
    if (masks_ && headerSize_ == kInfoHeaderSize) {
        for (const std::uint32_t mask : *masks_) {
            put32(out, mask);
        }
    }
    const bool core = headerSize_ == static_cast<std::uint32_t>(BmpHeaderKind::Core);
    for (const QRgb color : colors_) {
        out.push_back(static_cast<std::uint8_t>(qBlue(color)));
        out.push_back(static_cast<std::uint8_t>(qGreen(color)));
        out.push_back(static_cast<std::uint8_t>(qRed(color)));
        if (!core) {
            out.push_back(0);
        }
    }
    out.resize(out.size() + gap_, 0xEE);  // filler that would show if read as pixels
    return out;
}

Bytes BmpBuilder::build() const {
    const Bytes header = infoHeader();
    const Bytes middle = afterHeader();
    const Bytes pixels = pixelBytes();
    const auto offset = static_cast<std::uint32_t>(kFileHeaderSize + header.size() + middle.size());
    Bytes out{'B', 'M'};
    put32(out, offset + static_cast<std::uint32_t>(pixels.size()));
    put32(out, 0);
    put32(out, pixelOffset_.value_or(offset));
    append(out, header);
    append(out, middle);
    append(out, pixels);
    return out;
}

Bytes BmpBuilder::buildDib() const {
    Bytes out = infoHeader();
    append(out, afterHeader());
    append(out, pixelBytes());
    return out;
}

Bytes pixels16(const std::vector<std::uint16_t>& values) {
    Bytes out;
    for (const std::uint16_t v : values) {
        put16(out, v);
    }
    return out;
}

Bytes pixels32(const std::vector<std::uint32_t>& values) {
    Bytes out;
    for (const std::uint32_t v : values) {
        put32(out, v);
    }
    return out;
}

Bytes pixels24(const std::vector<QRgb>& colors) {
    Bytes out;
    for (const QRgb c : colors) {
        out.push_back(static_cast<std::uint8_t>(qBlue(c)));
        out.push_back(static_cast<std::uint8_t>(qGreen(c)));
        out.push_back(static_cast<std::uint8_t>(qRed(c)));
    }
    return out;
}

namespace rle {

Bytes run(std::uint8_t count, std::uint8_t value) {
    return {count, value};
}
Bytes endOfLine() {
    return {0, 0};
}
Bytes endOfBitmap() {
    return {0, 1};
}
Bytes delta(std::uint8_t right, std::uint8_t up) {
    return {0, 2, right, up};
}

Bytes absolute(const std::vector<std::uint8_t>& indexes, int bitsPerPixel) {
    Bytes out{0, static_cast<std::uint8_t>(indexes.size())};
    append(out, packIndexes(indexes, bitsPerPixel));
    if (out.size() % 2 != 0) {
        out.push_back(0);
    }
    return out;
}

Bytes join(const std::vector<Bytes>& commands) {
    Bytes out;
    for (const Bytes& command : commands) {
        append(out, command);
    }
    return out;
}

}  // namespace rle

}  // namespace vestura::test
