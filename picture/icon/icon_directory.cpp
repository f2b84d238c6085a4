#include "picture/icon/icon_directory.h"

#include <algorithm>
#include <cstdlib>

#include "common/errors.h"
#include "common/messages.h"
#include "picture/allocation.h"
#include "picture/bmp/bmp_reader.h"
#include "picture/limits.h"
#include "picture/metafile/metafile_record.h"

namespace vestura {

namespace {

constexpr std::size_t kHeaderBytes = 6;
constexpr std::size_t kEntryBytes = 16;
constexpr int kLargestDirectorySize = 256;  // a 0 width or height byte
constexpr std::uint8_t kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::size_t kPngHeaderBytes = 33;  // signature and the IHDR chunk
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kLargestHeaderSize = 124;
constexpr std::uint32_t kBitFields = 3;
constexpr std::uint32_t kMaxColorTable = 256;

[[noreturn]] void invalid() {
    throw EInvalidGraphic(std::string(msg::kIconInvalid));
}

std::uint32_t bigEndian32(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) << 24 | static_cast<std::uint32_t>(b[at + 1]) << 16 |
           static_cast<std::uint32_t>(b[at + 2]) << 8 | b[at + 3];
}

bool isPng(std::span<const std::uint8_t> image) {
    return image.size() >= std::size(kPngSignature) &&
           std::equal(std::begin(kPngSignature), std::end(kPngSignature), image.begin());
}

void checkPng(std::span<const std::uint8_t> image) {
    constexpr std::size_t kWidthAt = 16, kHeightAt = 20;
    if (image.size() < kPngHeaderBytes) {
        invalid();
    }
    const std::int64_t width = bigEndian32(image, kWidthAt);
    const std::int64_t height = bigEndian32(image, kHeightAt);
    // Checked here, before the PNG decoder sees the data: it decodes into up to 8 bytes a
    // pixel (16-bit RGBA), which is then converted into the icon's 32-bit image.
    constexpr std::int64_t kDecodedBytes = 8;
    if (width == 0 || height == 0 ||
        !limits::fits(width, height, 0, kDecodedBytes + limits::kDisplayCopyBytes)) {
        invalid();
    }
}

// Checks the DIB header and that the XOR pixels fit the image data; records where the
// pixels and the AND mask lie. The mask may be cut short: missing mask bits count as 0.
void checkDib(std::span<const std::uint8_t> image, IconEntry& entry) {
    const RecordView dib(image);
    const std::uint32_t headerSize = dib.u32(0);
    const bool core = headerSize == kCoreHeaderSize;
    if (!core && (headerSize < kInfoHeaderSize || headerSize > kLargestHeaderSize)) {
        invalid();
    }
    if (!dib.has(0, headerSize)) {
        invalid();
    }
    const std::int64_t width = core ? dib.u16(4) : dib.i32(4);
    const std::int64_t headerHeight = core ? dib.u16(6) : dib.i32(8);
    const int planes = core ? dib.u16(8) : dib.u16(12);
    const int bits = core ? dib.u16(10) : dib.u16(14);
    const std::uint32_t compression = core ? 0 : dib.u32(16);
    const std::uint32_t colorsUsed = core ? 0 : dib.u32(32);
    const bool knownDepth = bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32;
    const bool knownCompression = compression == 0 || (compression == kBitFields && bits == 32);
    if (planes != 1 || !knownDepth || !knownCompression || width <= 0 || headerHeight < 2 ||
        colorsUsed > kMaxColorTable) {
        invalid();
    }
    const std::int64_t height = headerHeight / 2;
    // The decoded rows (at least 8 bits a pixel) and the icon's 32-bit image made from them.
    const auto rowBytes = limits::paddedRowBytes(width, bits);
    const auto decodedRowBytes = limits::paddedRowBytes(width, std::max(bits, 8));
    if (!rowBytes || !decodedRowBytes || !limits::fits(width, height, *decodedRowBytes)) {
        invalid();
    }
    const std::int64_t colors = colorsUsed != 0 ? colorsUsed
                                : bits <= 8     ? std::int64_t{1} << bits
                                                : 0;
    const std::int64_t masks = compression == kBitFields && headerSize == kInfoHeaderSize ? 12 : 0;
    const std::int64_t xorOffset = headerSize + colors * (core ? 3 : 4) + masks;
    const std::int64_t maskOffset = xorOffset + *rowBytes * height;
    if (maskOffset > static_cast<std::int64_t>(image.size())) {
        invalid();
    }
    entry.dibWidth = static_cast<int>(width);
    entry.dibHeight = static_cast<int>(height);
    entry.bitsPerPixel = bits;
    entry.xorOffset = static_cast<std::size_t>(xorOffset);
    entry.xorRowBytes = static_cast<std::size_t>(*rowBytes);
    entry.maskOffset = static_cast<std::size_t>(maskOffset);
}

IconEntry readEntry(std::span<const std::uint8_t> file, std::size_t at) {
    const RecordView directory(file);
    IconEntry entry;
    entry.width = directory.u8(at) != 0 ? directory.u8(at) : kLargestDirectorySize;
    entry.height = directory.u8(at + 1) != 0 ? directory.u8(at + 1) : kLargestDirectorySize;
    entry.colorCount = directory.u8(at + 2) != 0 ? directory.u8(at + 2) : kUnlimitedColors;
    entry.size = directory.u32(at + 8);
    entry.offset = directory.u32(at + 12);
    if (entry.size == 0 || !directory.has(entry.offset, entry.size)) {
        invalid();
    }
    const auto image = file.subspan(entry.offset, entry.size);
    entry.png = isPng(image);
    if (entry.png) {
        checkPng(image);
    } else {
        checkDib(image, entry);
    }
    return entry;
}

int sizeDistance(const IconEntry& entry, int iconSize) {
    return std::abs(entry.width - iconSize) + std::abs(entry.height - iconSize);
}

// A byte of the AND mask; mask bytes the data lacks count as 0 (opaque).
std::uint8_t maskByte(std::span<const std::uint8_t> image, std::size_t at) {
    return at < image.size() ? image[at] : 0;
}

// Applies the 32-bit image's own alpha when it has any; otherwise the AND mask.
void applyTransparency(QImage& picture, std::span<const std::uint8_t> image,
                       const IconEntry& entry) {
    constexpr int kAlphaByte = 3;
    constexpr int kBitsPerByte = 8;
    const int w = entry.dibWidth;
    const int h = entry.dibHeight;
    const auto row = [&](int y) { return static_cast<std::size_t>(h - 1 - y); };  // bottom-up
    bool anyAlpha = false;
    if (entry.bitsPerPixel == 32) {
        for (int y = 0; y < h && !anyAlpha; ++y) {
            const auto* line = image.data() + entry.xorOffset + row(y) * entry.xorRowBytes;
            for (int x = 0; x < w && !anyAlpha; ++x) {
                anyAlpha = line[x * 4 + kAlphaByte] != 0;
            }
        }
    }
    const std::size_t maskRowBytes = static_cast<std::size_t>(*limits::paddedRowBytes(w, 1));
    for (int y = 0; y < h; ++y) {
        auto* out = reinterpret_cast<QRgb*>(picture.scanLine(y));
        const std::size_t xorRow = entry.xorOffset + row(y) * entry.xorRowBytes;
        const std::size_t maskRow = entry.maskOffset + row(y) * maskRowBytes;
        for (int x = 0; x < w; ++x) {
            const QRgb rgb = out[x] & RGB_MASK;
            if (anyAlpha) {
                out[x] = rgb | static_cast<QRgb>(image[xorRow + x * 4 + kAlphaByte]) << 24;
            } else {
                const std::size_t at = maskRow + static_cast<std::size_t>(x / kBitsPerByte);
                const bool transparent = (maskByte(image, at) >> (7 - x % kBitsPerByte) & 1) != 0;
                out[x] = transparent ? 0 : rgb | 0xFF000000u;
            }
        }
    }
}

}  // namespace

std::vector<IconEntry> readIconDirectory(std::span<const std::uint8_t> file) {
    const std::size_t count = RecordView(file).u16(4);
    if (count == 0 || file.size() < kHeaderBytes + count * kEntryBytes) {
        invalid();
    }
    std::vector<IconEntry> entries;
    entries.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        entries.push_back(readEntry(file, kHeaderBytes + i * kEntryBytes));
    }
    return entries;
}

std::size_t pickIconEntry(const std::vector<IconEntry>& entries, std::uint64_t displayColors,
                          int iconSize) {
    std::size_t chosen = 0;
    for (std::size_t i = 1; i < entries.size(); ++i) {
        const IconEntry& candidate = entries[i];
        const IconEntry& current = entries[chosen];
        if (candidate.colorCount <= displayColors && candidate.colorCount >= current.colorCount &&
            sizeDistance(candidate, iconSize) < sizeDistance(current, iconSize)) {
            chosen = i;
        }
    }
    return chosen;
}

QImage decodeIconEntry(std::span<const std::uint8_t> file, const IconEntry& entry) {
    const auto image = file.subspan(entry.offset, entry.size);
    if (entry.png) {
        // The size in the PNG header was checked against the limits at load.
        QImage picture;
        if (!picture.loadFromData(image.data(), static_cast<int>(image.size()), "PNG")) {
            invalid();
        }
        return convertedImage(picture, QImage::Format_ARGB32);
    }
    QImage picture;
    try {
        picture = readDib(image, entry.dibHeight, nullptr).image;
    } catch (const EOutOfResources&) {
        throw;
    } catch (const Exception&) {
        invalid();
    }
    if (picture.size() != QSize(entry.dibWidth, entry.dibHeight)) {
        invalid();
    }
    picture = convertedImage(picture, QImage::Format_ARGB32);
    applyTransparency(picture, image, entry);
    return picture;
}

}  // namespace vestura
