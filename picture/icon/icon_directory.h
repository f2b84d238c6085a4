// The icon file's directory: reading and checking every entry against the file, choosing
// the entry that suits the display, and decoding one entry (a DIB with its AND mask, or
// PNG data) into a picture with transparency.
#pragma once

#include <QImage>
#include <cstdint>
#include <span>
#include <vector>

namespace vestura {

struct IconEntry {
    int width = 0;  // from the directory; a 0 byte there means 256
    int height = 0;
    std::uint64_t colorCount = 0;  // from the directory; 0 there means unlimited
    std::size_t offset = 0;        // of the image data in the file
    std::size_t size = 0;
    bool png = false;
    // The DIB layout inside the image data, checked against it at load.
    int dibWidth = 0;
    int dibHeight = 0;  // the XOR image's, half the header's
    int bitsPerPixel = 0;
    std::size_t xorOffset = 0;  // from the start of the image data
    std::size_t xorRowBytes = 0;
    std::size_t maskOffset = 0;
};

inline constexpr std::uint64_t kUnlimitedColors = UINT64_MAX;

// Reads the directory of a type-1 icon file (6-byte header already checked). Raises
// EInvalidGraphic "Icon image is not valid" when the directory is empty, or any entry's
// offset, size or image header does not fit the file or the picture limits.
std::vector<IconEntry> readIconDirectory(std::span<const std::uint8_t> file);

// The entry to show: starting from the first, a later entry takes over when its colour
// count is not above the display's, not below the current choice's, and its size is
// strictly closer to the system icon size (on a tie the earlier entry stays).
std::size_t pickIconEntry(const std::vector<IconEntry>& entries, std::uint64_t displayColors,
                          int iconSize);

// The entry's picture as ARGB32: the AND mask's set bits transparent, or for a 32-bit
// image whose alpha bytes are not all zero, that alpha. Raises EInvalidGraphic "Icon image
// is not valid" when the data does not decode, or "Out of memory".
QImage decodeIconEntry(std::span<const std::uint8_t> file, const IconEntry& entry);

}  // namespace vestura
