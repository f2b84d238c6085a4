// The data is a sequence of two-byte commands:
//   n > 0, v      run: n pixels; RLE8 repeats index v, RLE4 alternates v's high and low nibble
//   0, 0          end of line: next row up, back to column 0
//   0, 1          end of bitmap: stop
//   0, 2, dx, dy  delta: move right dx and up dy (skipped pixels keep index 0)
//   0, n >= 3     absolute run: n indexes follow (bytes for RLE8, nibbles for RLE4), padded
//                 to a 16-bit boundary
// Every pixel goes through put(), the one write that checks the picture's bounds.
#include "picture/bmp_rle.h"

#include <algorithm>

namespace vestura::bmp {

namespace {

enum Escape : std::uint8_t { kEndOfLine = 0, kEndOfBitmap = 1, kDelta = 2 };

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

private:
    bool available(std::size_t count) const { return data_.size() - position_ >= count; }
    std::uint8_t next() { return data_[position_++]; }

    void moveToRow(std::int64_t y) {
        y_ = y;
        x_ = 0;
        // Rows go upwards; once past the top nothing more can be drawn.
        row_ = y < height_ ? image_.scanLine(static_cast<int>(height_ - 1 - y)) : nullptr;
    }

    void put(std::uint8_t index) {
        if (x_ < width_) {
            row_[x_] = index;
        }
        ++x_;
    }

    void repeat(int count, std::uint8_t value) {
        if (!nibbles_) {
            for (int i = 0; i < count; ++i) {
                put(value);
            }
            return;
        }
        for (int i = 0; i < count; ++i) {
            put((i & 1) ? (value & 0x0F) : (value >> 4));
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
    bool absolute(int count) {
        const std::size_t bytes = nibbles_ ? (count + 1) / 2 : count;
        const std::size_t padded = (bytes + 1) & ~std::size_t{1};
        const bool whole = available(padded);
        const std::size_t present = whole ? bytes : std::min(bytes, data_.size() - position_);
        for (std::size_t i = 0; i < present; ++i) {
            const std::uint8_t byte = data_[position_ + i];
            if (!nibbles_) {
                put(byte);
                continue;
            }
            put(byte >> 4);
            if (2 * i + 1 < static_cast<std::size_t>(count)) {
                put(byte & 0x0F);
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
    uchar* row_ = nullptr;  // the current row, or none above the picture
};

}  // namespace

void decodeRle(std::span<const std::uint8_t> data, int bitsPerPixel, QImage& image) {
    if (image.isNull()) {
        return;
    }
    RleDecoder(data, bitsPerPixel, image).run();
}

}  // namespace vestura::bmp
