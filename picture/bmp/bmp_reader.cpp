// Reads a BMP file in stages: file header, information header (one reader per version),
// header checks and size limits, masks, colour table, then the pixels through the row
// decoder of their layout or the RLE decoder. Nothing is allocated for the picture before
// its header has passed every check.
#include "picture/bmp/bmp_reader.h"

#include <algorithm>
#include <optional>

#include "common/errors.h"
#include "common/messages.h"
#include "picture/allocation.h"
#include "picture/bmp/bit_fields.h"
#include "picture/bmp/bmp_format.h"
#include "picture/bmp/bmp_rle.h"
#include "picture/bmp/bmp_rows.h"
#include "picture/byte_reader.h"
#include "picture/limits.h"

namespace vestura {

namespace {

using bmp::ChannelMasks;
using bmp::DibHeader;

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint16_t kSignature = 0x4D42;  // "BM"
constexpr std::size_t kPixelOffsetField = 10;
constexpr std::uint32_t kMaxColors = 256;
constexpr QRgb kMissingColor = 0xFF000000u;  // what indexes beyond the colour table draw

[[noreturn]] void raiseReadError() {
    throw EReadError(std::string(msg::kStreamReadError));
}
[[noreturn]] void raiseInvalid() {
    throw EInvalidGraphic(std::string(msg::kBitmapInvalid));
}

// ---- File header ------------------------------------------------------------------------

// Returns the pixel-data offset the file header gives.
std::uint32_t readFileHeader(ByteReader& reader) {
    const auto header = reader.bytes(kFileHeaderSize);
    if (loadLe16(header.data()) != kSignature) {
        raiseInvalid();
    }
    return loadLe32(header.data() + kPixelOffsetField);
}

// ---- Information header, per version -----------------------------------------------------

DibHeader readCoreHeader(ByteReader& reader) {
    DibHeader header;
    header.size = bmp::kCoreHeaderSize;
    header.width = reader.u16();
    header.height = reader.u16();
    header.planes = reader.u16();
    header.bitsPerPixel = reader.u16();
    return header;
}

DibHeader readInfoHeader(ByteReader& reader, std::uint32_t size) {
    const std::size_t start = reader.position() - 4;  // the size field is read already
    DibHeader header;
    header.size = size;
    header.width = reader.i32();
    header.height = reader.i32();
    header.planes = reader.u16();
    header.bitsPerPixel = reader.u16();
    header.compression = reader.u32();
    header.imageSize = reader.u32();
    header.xPelsPerMeter = reader.i32();
    header.yPelsPerMeter = reader.i32();
    header.colorsUsed = reader.u32();
    header.colorsImportant = reader.u32();
    if (size >= bmp::kV2HeaderSize) {
        header.headerMasks.red = reader.u32();
        header.headerMasks.green = reader.u32();
        header.headerMasks.blue = reader.u32();
    }
    reader.skip(size - (reader.position() - start));  // later fields: alpha, colour space
    return header;
}

bool knownHeaderSize(std::uint32_t size) {
    switch (size) {
        case bmp::kInfoHeaderSize:
        case bmp::kV2HeaderSize:
        case bmp::kV3HeaderSize:
        case bmp::kOs2V2HeaderSize:
        case bmp::kV4HeaderSize:
        case bmp::kV5HeaderSize:
            return true;
        default:
            return false;
    }
}

// A file ending inside the header, or a header size of no known version, is not valid.
DibHeader readHeader(ByteReader& reader) {
    reader.setFailure(&raiseInvalid);
    const std::uint32_t size = reader.u32();
    if (size == bmp::kCoreHeaderSize) {
        return readCoreHeader(reader);
    }
    if (!knownHeaderSize(size)) {
        raiseInvalid();
    }
    return readInfoHeader(reader, size);
}

// ---- Header checks and size limits --------------------------------------------------------

bool supportedLayout(const DibHeader& header) {
    const int bits = header.bitsPerPixel;
    switch (header.compression) {
        case bmp::kUncompressed:
            return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
        case bmp::kRle8:  // compressed rows are always stored bottom-up
            return bits == 8 && !header.topDown();
        case bmp::kRle4:
            return bits == 4 && !header.topDown();
        case bmp::kBitFields:  // the OS/2 header gives this code another meaning
            return (bits == 16 || bits == 32) && header.size != bmp::kOs2V2HeaderSize;
        default:  // embedded JPEG or PNG and the rarer codes
            return false;
    }
}

int outputBits(int bitsPerPixel) {
    return bitsPerPixel == 16 ? 32 : std::max(bitsPerPixel, 8);
}

struct Geometry {
    int width = 0;
    int height = 0;
    std::size_t rowBytes = 0;  // one stored row, padded
};

Geometry checkHeader(const DibHeader& header) {
    if (header.planes != 1 || !supportedLayout(header) || header.colorsUsed > kMaxColors) {
        raiseInvalid();
    }
    // The stored rows must fit the limits, and so must the image made from them together
    // with the 32-bit copy it is drawn from.
    const auto stored = limits::paddedRowBytes(header.width, header.bitsPerPixel);
    const auto output = limits::paddedRowBytes(header.width, outputBits(header.bitsPerPixel));
    if (!stored || !output || !limits::fits(header.width, header.rows(), *stored, 0) ||
        !limits::fits(header.width, header.rows(), *output)) {
        raiseInvalid();
    }
    return {header.width, static_cast<int>(header.rows()), static_cast<std::size_t>(*stored)};
}

// ---- Masks ----------------------------------------------------------------------------------

ChannelMasks readMasks(ByteReader& reader, const DibHeader& header) {
    if (header.compression != bmp::kBitFields) {
        return header.bitsPerPixel == 16 ? bmp::kDefaultMasks16 : bmp::kDefaultMasks32;
    }
    ChannelMasks masks = header.headerMasks;
    if (header.size == bmp::kInfoHeaderSize) {  // larger headers hold them already
        reader.setFailure(&raiseReadError);
        masks.red = reader.u32();
        masks.green = reader.u32();
        masks.blue = reader.u32();
    }
    if (!bmp::validMasks(masks, header.bitsPerPixel)) {
        raiseInvalid();
    }
    return masks;
}

// ---- Colour table ---------------------------------------------------------------------------

std::uint32_t colorCount(const DibHeader& header) {
    if (header.colorsUsed != 0) {
        return header.colorsUsed;
    }
    switch (header.bitsPerPixel) {
        case 1:
            return 2;
        case 4:
            return 16;
        case 8:
            return 256;
        default:
            return 0;
    }
}

// The table with every entry opaque; core headers store 3-byte entries.
QList<QRgb> readColorTable(ByteReader& reader, const DibHeader& header) {
    const std::uint32_t count = colorCount(header);
    const std::size_t entrySize = header.core() ? 3 : 4;
    reader.setFailure(&raiseReadError);
    const auto bytes = reader.bytes(count * entrySize);
    QList<QRgb> table;
    table.reserve(count);
    for (std::size_t i = 0; i < bytes.size(); i += entrySize) {
        table.append(qRgb(bytes[i + 2], bytes[i + 1], bytes[i]));
    }
    return table;
}

// The colour table of the indexed image: every index the depth can store has an entry.
QList<QRgb> indexTable(QList<QRgb> table, int bitsPerPixel) {
    const qsizetype indexes = qsizetype{1} << std::min(bitsPerPixel, 8);
    if (table.size() < indexes) {
        table.resize(indexes, kMissingColor);
    }
    return table;
}

// ---- Pixels ---------------------------------------------------------------------------------

struct PixelSpan {
    std::size_t start = 0;
    std::size_t length = 0;
};

// Where the pixel bytes lie. They follow the colour table, unless the file header points
// further on, still inside the file: then that gap is skipped. The count is the header's
// image size, or the padded rows when it gives none, cut to what the data holds.
PixelSpan locatePixels(const ByteReader& reader, const DibHeader& header, const Geometry& geometry,
                       std::optional<std::uint32_t> pixelOffset, bool rowsFromHeight) {
    PixelSpan span{reader.position(), 0};
    const std::size_t size = reader.data().size();
    if (pixelOffset && *pixelOffset >= span.start && *pixelOffset < size) {
        span.start = *pixelOffset;
    }
    const bool useImageSize = header.imageSize != 0 && !(rowsFromHeight && !header.runLength());
    const std::uint64_t wanted = useImageSize ? header.imageSize
                                              : std::uint64_t{geometry.rowBytes} *
                                                    static_cast<std::uint64_t>(geometry.height);
    span.length = static_cast<std::size_t>(std::min<std::uint64_t>(wanted, size - span.start));
    return span;
}

QImage decodePixels(std::span<const std::uint8_t> pixels, const DibHeader& header,
                    const Geometry& geometry, const ChannelMasks& masks, const QList<QRgb>& table) {
    if (geometry.width == 0 || geometry.height == 0) {
        return {};
    }
    const int bits = header.bitsPerPixel;
    QImage image = allocateImage(geometry.width, geometry.height, bmp::outputFormat(bits));
    if (header.runLength()) {
        bmp::decodeRle(pixels, bits, image);
    } else {
        bmp::decodeRows(pixels, geometry.rowBytes, header.topDown(),
                        bmp::makeRowDecoder(bits, geometry.width, masks), image);
    }
    if (image.format() == QImage::Format_Indexed8) {
        image.setColorTable(indexTable(table, bits));
    }
    return image;
}

// ---- The stages in order -------------------------------------------------------------------

DecodedBitmap decodeDib(ByteReader& reader, std::int32_t height,
                        std::optional<std::uint32_t> pixelOffset, std::size_t* pixelsEnd) {
    DibHeader header = readHeader(reader);
    if (height != 0) {
        header.height = height;
    }
    const Geometry geometry = checkHeader(header);
    const ChannelMasks masks = readMasks(reader, header);
    const QList<QRgb> table = readColorTable(reader, header);
    const PixelSpan span = locatePixels(reader, header, geometry, pixelOffset, height != 0);
    if (pixelsEnd != nullptr) {
        *pixelsEnd = span.start + span.length;
    }

    DecodedBitmap result;
    result.image = decodePixels(reader.data().subspan(span.start, span.length), header, geometry,
                                masks, table);
    result.info.bitsPerPixel = header.bitsPerPixel;
    result.info.xPelsPerMeter = header.xPelsPerMeter;
    result.info.yPelsPerMeter = header.yPelsPerMeter;
    result.info.colorsUsed = static_cast<std::uint32_t>(table.size());
    result.info.colorsImportant = header.colorsImportant;
    return result;
}

}  // namespace

DecodedBitmap readBmpFile(std::span<const std::uint8_t> file) {
    if (file.empty()) {
        return {};
    }
    ByteReader reader(file, &raiseReadError);
    const std::uint32_t pixelOffset = readFileHeader(reader);
    return decodeDib(reader, 0, pixelOffset, nullptr);
}

DecodedBitmap readDib(std::span<const std::uint8_t> dib, std::int32_t height,
                      std::size_t* pixelsEnd) {
    ByteReader reader(dib, &raiseInvalid);
    return decodeDib(reader, height, std::nullopt, pixelsEnd);
}

}  // namespace vestura
