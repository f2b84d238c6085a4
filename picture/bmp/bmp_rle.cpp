// The data is a sequence of two-byte commands:
//   n > 0, v      run: n pixels; RLE8 repeats index v, RLE4 alternates v's high and low nibble
//   0, 0          end of line: next row up, back to column 0
//   0, 1          end of bitmap: stop
//   0, 2, dx, dy  delta: move right dx and up dy (skipped pixels keep index 0)
//   0, n >= 3     absolute run: n indexes follow (bytes for RLE8, nibbles for RLE4), padded
//                 to a 16-bit boundary
// Every write goes through claim(), the one place that checks the picture's bounds: it
// hands out the part of the next n pixels that lies inside the current row.
// Rows are cleared to index 0 as the decoder reaches them, and the rest when it stops, so
// each row is written while it is in the cache instead of clearing the picture up front.
#include "picture/bmp/bmp_rle.h"

#include <algorithm>
#include <cstring>

namespace vestura::bmp {

namespace {

enum Escape : std::uint8_t { kEndOfLine = 0, kEndOfBitmap = 1, kDelta = 2 };

// The pixels of a run that land inside the picture.
struct Claimed {
    uchar* pixels;
    std::size_t count;
};

class RleDecoder {
public:
    RleDecoder(std::span<const std::uint8_t> data, int bitsPerPixel, QImage& image)
        : data_(data),
          nibbles_(bitsPerPixel == 4),
          image_(image),
          width_(image.width()),
          height_(image.height()) {
        moveToRow(0);
    }

    void run() {
        decode();
        clearRowsUpTo(height_);
    }

private:
    void decode() {
        while (row_ != nullptr && available(2)) {
            const std::uint8_t count = next();
            const std::uint8_t value = next();
            if (count > 0) {
                repeat(count, value);
            } else if (value == kEndOfLine) {
                moveToRow(y_ + 1);
            } else if (value == kEndOfBitmap) {
                return;
            } else if (value == kDelta) {
                if (!delta()) {
                    return;
                }
            } else if (!absolute(value)) {
                return;
            }
        }
    }

    bool available(std::size_t count) const { return data_.size() - position_ >= count; }
    std::uint8_t next() { return data_[position_++]; }

    void clearRowsUpTo(std::int64_t end) {
        for (; cleared_ < end; ++cleared_) {
            std::memset(image_.scanLine(static_cast<int>(height_ - 1 - cleared_)), 0,
                        static_cast<std::size_t>(width_));
        }
    }

    void moveToRow(std::int64_t y) {
        y_ = y;
        x_ = 0;
        // Rows go upwards; once past the top nothing more can be drawn.
        if (y >= height_) {
            row_ = nullptr;
            return;
        }
        clearRowsUpTo(y + 1);
        row_ = image_.scanLine(static_cast<int>(height_ - 1 - y));
    }

    // The next `count` pixels of the row: the part inside the picture, then moves past all.
    Claimed claim(std::size_t count) {
        const std::int64_t start = x_;
        x_ += static_cast<std::int64_t>(count);
        if (start >= width_) {
            return {row_, 0};
        }
        return {row_ + start, static_cast<std::size_t>(std::min(x_, width_) - start)};
    }

    void repeat(std::size_t count, std::uint8_t value) {
        const Claimed run = claim(count);
        if (!nibbles_) {
            std::memset(run.pixels, value, run.count);
            return;
        }
        const std::uint8_t pair[2] = {static_cast<std::uint8_t>(value >> 4),
                                      static_cast<std::uint8_t>(value & 0x0F)};
        for (std::size_t i = 0; i < run.count; ++i) {
            run.pixels[i] = pair[i & 1];
        }
    }

    bool delta() {
        if (!available(2)) {
            return false;
        }
        const std::uint8_t dx = next();
        const std::uint8_t dy = next();
        const std::int64_t x = x_ + dx;
        if (dy > 0) {
            moveToRow(y_ + dy);
        }
        x_ = x;
        return row_ != nullptr;
    }

    // Writes what the data holds of the run; false when the data ends inside it.
    bool absolute(std::size_t count) {
        const std::size_t bytes = nibbles_ ? (count + 1) / 2 : count;
        const std::size_t padded = (bytes + 1) & ~std::size_t{1};
        const bool whole = available(padded);
        const std::size_t present = std::min(bytes, data_.size() - position_);
        const std::uint8_t* source = data_.data() + position_;
        const Claimed run = claim(nibbles_ ? std::min(count, 2 * present) : present);
        if (!nibbles_) {
            std::memcpy(run.pixels, source, run.count);
        } else {
            for (std::size_t i = 0; i < run.count; ++i) {
                run.pixels[i] = (i & 1) ? (source[i / 2] & 0x0F) : (source[i / 2] >> 4);
            }
        }
        position_ += whole ? padded : present;
        return whole;
    }

    std::span<const std::uint8_t> data_;
    std::size_t position_ = 0;
    bool nibbles_;
    QImage& image_;
    std::int64_t width_;
    std::int64_t height_;
    std::int64_t x_ = 0;
    std::int64_t y_ = 0;
    std::int64_t cleared_ = 0;  // rows below this one (counted from the bottom) are cleared
    uchar* row_ = nullptr;      // the current row, or none above the picture
};

}  // namespace

void decodeRle(std::span<const std::uint8_t> data, int bitsPerPixel, QImage& image) {
    if (image.isNull()) {
        return;
    }
    RleDecoder(data, bitsPerPixel, image).run();
}

}  // namespace vestura::bmp
