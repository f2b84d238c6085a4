// Reads a TGA file in stages: the 18-byte header, its checks and the size limits, the image
// id (skipped), the colour map, then the pixels, stored or in run-length packets. Every
// pixel goes through one checked write; nothing is allocated for the picture before its
// header has passed every check. The optional footer and extension area are not read.
#include "picture/tga/tga_reader.h"

#include <algorithm>
#include <vector>

#include "common/errors.h"
#include "common/messages.h"
#include "picture/allocation.h"
#include "picture/byte_reader.h"
#include "picture/limits.h"

namespace vestura {

namespace {

// Image types: the low three bits say what the pixels are, bit 3 that they are run-length.
constexpr std::uint8_t kColorMapped = 1;
constexpr std::uint8_t kTrueColor = 2;
constexpr std::uint8_t kGrey = 3;
constexpr std::uint8_t kRunLengthFlag = 8;

// The image descriptor: alpha bits per pixel, then the two origin bits; the top two bits
// (an old interleaving scheme) must be 0.
constexpr std::uint8_t kAlphaBitsMask = 0x0F;
constexpr std::uint8_t kRightToLeft = 0x10;
constexpr std::uint8_t kTopToBottom = 0x20;
constexpr std::uint8_t kInterleaveMask = 0xC0;

// A run-length packet's header: the top bit marks a run, the rest counts pixels less one.
constexpr std::uint8_t kRunPacket = 0x80;
constexpr std::uint8_t kPacketCountMask = 0x7F;

constexpr QRgb kMissingColor = 0xFF000000u;  // what indexes outside the colour map draw

[[noreturn]] void raiseInvalid() {
    throw EInvalidGraphic(std::string(msg::kTgaInvalid));
}

struct Header {
    std::uint8_t idLength = 0;
    std::uint8_t colorMapType = 0;
    std::uint8_t imageType = 0;
    std::uint16_t mapFirst = 0;
    std::uint16_t mapLength = 0;
    std::uint8_t mapEntryBits = 0;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::uint8_t pixelBits = 0;
    std::uint8_t descriptor = 0;

    std::uint8_t kind() const { return imageType & ~kRunLengthFlag; }
    bool runLength() const { return (imageType & kRunLengthFlag) != 0; }
    bool alpha() const { return (descriptor & kAlphaBitsMask) != 0; }
    // Pixels with a whole byte for alpha: 32-bit true colour, and grey at 16 bits (grey,
    // then alpha) as image editors write grey pictures with alpha.
    bool alphaByte() const {
        return (kind() == kTrueColor && pixelBits == 32) || (kind() == kGrey && pixelBits == 16);
    }
};

Header readHeader(ByteReader& reader) {
    Header h;
    h.idLength = reader.u8();
    h.colorMapType = reader.u8();
    h.imageType = reader.u8();
    h.mapFirst = reader.u16();
    h.mapLength = reader.u16();
    h.mapEntryBits = reader.u8();
    reader.skip(4);  // x and y origin: a screen position, not a picture property
    h.width = reader.u16();
    h.height = reader.u16();
    h.pixelBits = reader.u8();
    h.descriptor = reader.u8();
    return h;
}

bool trueColorBits(int bits) {
    return bits == 15 || bits == 16 || bits == 24 || bits == 32;
}

// The combinations this reader decodes; anything else is not valid.
bool supported(const Header& h) {
    if (h.colorMapType > 1 || (h.descriptor & kInterleaveMask) != 0) {
        return false;
    }
    if (h.colorMapType == 1 && !trueColorBits(h.mapEntryBits)) {
        return false;
    }
    switch (h.kind()) {
        case kColorMapped:
            return h.colorMapType == 1 && h.pixelBits == 8;
        case kTrueColor:
            return trueColorBits(h.pixelBits);
        case kGrey:
            return h.pixelBits == 8 || h.pixelBits == 16;
        default:
            return false;
    }
}

std::uint8_t widen5(unsigned value) {
    return static_cast<std::uint8_t>(value << 3 | value >> 2);
}

// One true-colour value of `bits` bits, stored little-endian, as straight ARGB. Its alpha is
// used only when `alpha` says so.
QRgb trueColor(const std::uint8_t* p, int bits, bool alpha) {
    switch (bits) {
        case 15:
        case 16: {
            const unsigned v = loadLe16(p);
            const bool opaque = !alpha || bits == 15 || (v & 0x8000u) != 0;
            return qRgba(widen5(v >> 10 & 31), widen5(v >> 5 & 31), widen5(v & 31),
                         opaque ? 255 : 0);
        }
        case 24:
            return qRgb(p[2], p[1], p[0]);
        default:
            return qRgba(p[2], p[1], p[0], alpha ? p[3] : 255);
    }
}

// Turns the stored value of one pixel into its colour. An alpha byte is kept whatever the
// descriptor says; readTgaFile settles afterwards whether the picture has alpha.
class PixelFormat {
public:
    PixelFormat(const Header& h, std::vector<QRgb> map)
        : header_(h), map_(std::move(map)), alpha_(h.alpha() || h.alphaByte()) {}

    std::size_t bytes() const { return (header_.pixelBits + 7u) / 8u; }

    QRgb color(const std::uint8_t* p) const {
        switch (header_.kind()) {
            case kColorMapped: {
                const int index = p[0] - header_.mapFirst;
                return index >= 0 && index < static_cast<int>(map_.size()) ? map_[index]
                                                                           : kMissingColor;
            }
            case kGrey:
                return qRgba(p[0], p[0], p[0], header_.pixelBits == 16 ? p[1] : 255);
            default:
                return trueColor(p, header_.pixelBits, alpha_);
        }
    }

private:
    const Header& header_;
    std::vector<QRgb> map_;
    const bool alpha_;
};

// The colour map's entries; read (and skipped) also when the picture does not use them.
std::vector<QRgb> readColorMap(ByteReader& reader, const Header& h) {
    if (h.colorMapType == 0) {
        return {};
    }
    const std::size_t entryBytes = (h.mapEntryBits + 7u) / 8u;
    const auto bytes = reader.bytes(entryBytes * h.mapLength);  // at most 256 KiB
    if (h.kind() != kColorMapped) {
        return {};
    }
    std::vector<QRgb> map(h.mapLength);
    for (std::size_t i = 0; i < map.size(); ++i) {
        map[i] = trueColor(bytes.data() + i * entryBytes, h.mapEntryBits, h.alpha());
    }
    return map;
}

// Places the pixels in file order: rows from the origin's side, pixels from its edge.
class PixelSink {
public:
    PixelSink(QImage& image, const Header& h)
        : image_(image),
          width_(h.width),
          total_(std::int64_t{h.width} * h.height),
          topDown_((h.descriptor & kTopToBottom) != 0),
          rightToLeft_((h.descriptor & kRightToLeft) != 0) {}

    bool full() const { return written_ >= total_; }
    std::int64_t left() const { return total_ - written_; }

    void put(QRgb color) {
        if (full()) {
            return;  // a run past the last pixel is cut there
        }
        const int row = static_cast<int>(written_ / width_);
        const int column = static_cast<int>(written_ % width_);
        const int y = topDown_ ? row : image_.height() - 1 - row;
        const int x = rightToLeft_ ? width_ - 1 - column : column;
        reinterpret_cast<QRgb*>(image_.scanLine(y))[x] = color;
        ++written_;
    }

private:
    QImage& image_;
    const int width_;
    const std::int64_t total_;
    const bool topDown_;
    const bool rightToLeft_;
    std::int64_t written_ = 0;
};

// A descriptor claiming no alpha bits does not settle it: many programs write 32-bit pictures
// with alpha in their fourth bytes and leave the descriptor at 0, and most readers use those
// bytes. Others leave the bytes 0. So a picture whose descriptor claims none takes its alpha
// bytes as alpha when any of them is not 0, and is opaque when all are 0. A picture whose
// alpha bytes are partly 0 is therefore clear where they are 0.
void opaqueWhenNoAlpha(QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        if (std::any_of(row, row + image.width(), [](QRgb c) { return qAlpha(c) != 0; })) {
            return;
        }
    }
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        std::transform(row, row + image.width(), row, [](QRgb c) { return c | 0xFF000000u; });
    }
}

void readStored(ByteReader& reader, const PixelFormat& format, PixelSink& sink) {
    const std::size_t size = format.bytes();
    const auto bytes = reader.bytes(static_cast<std::size_t>(sink.left()) * size);
    for (std::size_t at = 0; !sink.full(); at += size) {
        sink.put(format.color(bytes.data() + at));
    }
}

// Packets until every pixel is written; a packet may run on into the next row.
void readRunLength(ByteReader& reader, const PixelFormat& format, PixelSink& sink) {
    const std::size_t size = format.bytes();
    while (!sink.full()) {
        const std::uint8_t packet = reader.u8();
        const int count = (packet & kPacketCountMask) + 1;
        if ((packet & kRunPacket) != 0) {
            const QRgb color = format.color(reader.bytes(size).data());
            for (int i = 0; i < count; ++i) {
                sink.put(color);
            }
        } else {
            const auto bytes = reader.bytes(size * std::min<std::int64_t>(count, sink.left()));
            for (std::size_t at = 0; at < bytes.size(); at += size) {
                sink.put(format.color(bytes.data() + at));
            }
        }
    }
}

}  // namespace

QImage readTgaFile(std::span<const std::uint8_t> file) {
    ByteReader reader(file, &raiseInvalid);
    const Header header = readHeader(reader);
    if (!supported(header)) {
        raiseInvalid();
    }
    // The picture keeps its 32-bit pixels and is drawn from them as they are.
    constexpr std::int64_t kBytesPerPixel = 4;
    if (!limits::fits(header.width, header.height, std::int64_t{header.width} * kBytesPerPixel,
                      0)) {
        raiseInvalid();
    }
    reader.skip(header.idLength);
    const PixelFormat format(header, readColorMap(reader, header));
    if (header.width == 0 || header.height == 0) {
        return {};
    }
    QImage image = allocateImage(header.width, header.height, QImage::Format_ARGB32);
    PixelSink sink(image, header);
    if (header.runLength()) {
        readRunLength(reader, format, sink);
    } else {
        readStored(reader, format, sink);
    }
    if (header.alphaByte() && !header.alpha()) {
        opaqueWhenNoAlpha(image);
    }
    return image;
}

}  // namespace vestura
