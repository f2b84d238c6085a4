// libpng writes the file: every row filtered by its difference from the row above, then
// deflated with runs only (zlib's run-length strategy). The 3D view's pictures are a flat
// background round a textured model: runs find the background and repeated texels, and
// searching for longer matches costs far more than it saves. Against libpng's defaults
// (every filter tried on every row, zlib's default level) a 4096 x 4096 view is written
// about seven times faster and the file is about a seventh larger; a picture of noise,
// which no match shortens, two and a half times as fast. libpng reports failures by longjmp; the frame
// that sets the jump point holds nothing with a destructor.
#include "picture/png/png_writer.h"

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <new>
#include <string>

#include "common/errors.h"
#include "common/messages.h"

namespace vestura {

namespace {

constexpr std::size_t kHeadroom = 64 << 10;  // the header and end chunks, and deflate's blocks


struct Encoding {
    Bytes file;
    bool outOfMemory = false;
};

void onError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void onWarning(png_structp, png_const_charp) {}

void append(png_structp png, png_bytep data, size_t size) {
    auto* encoding = static_cast<Encoding*>(png_get_io_ptr(png));
    try {
        encoding->file.insert(encoding->file.end(), data, data + size);
    } catch (const std::bad_alloc&) {
        encoding->outOfMemory = true;
        png_error(png, "out of memory");
    }
}
void flush(png_structp) {}

// Owns libpng's write and info structures.
class WriteStruct {
public:
    WriteStruct()
        : png_(png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, &onError, &onWarning)) {
        if (png_ != nullptr) {
            info_ = png_create_info_struct(png_);
        }
        if (png_ == nullptr || info_ == nullptr) {
            throw EOutOfResources(std::string(msg::kOutOfMemory));
        }
    }
    ~WriteStruct() { png_destroy_write_struct(&png_, &info_); }
    WriteStruct(const WriteStruct&) = delete;
    WriteStruct& operator=(const WriteStruct&) = delete;

    png_structp png() const { return png_; }
    png_infop info() const { return info_; }

private:
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
};

// `rows` is in memory order B, G, R, then alpha or an unused byte (QImage's 32-bit formats
// on a little-endian machine); false when libpng failed on the way.
bool encodeRows(png_structp png, png_infop info, const QImage& rows, bool alpha, Encoding& encoding) {
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    png_set_write_fn(png, &encoding, &append, &flush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(rows.width()), static_cast<png_uint_32>(rows.height()),
                 8, alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    png_set_compression_strategy(png, Z_RLE);
    png_write_info(png, info);
    png_set_bgr(png);
    if (!alpha) {
        png_set_filler(png, 0, PNG_FILLER_AFTER);  // the unused byte is left out
    }
    for (int y = 0; y < rows.height(); ++y) {
        png_write_row(png, rows.constScanLine(y));
    }
    png_write_end(png, info);
    return true;
}

}  // namespace

Bytes encodePng(const QImage& picture) {
    static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "rows are handed to libpng in memory order");
    const bool alpha = picture.hasAlphaChannel();
    const QImage rows = picture.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (rows.isNull() && !picture.isNull()) {
        throw EOutOfResources(std::string(msg::kOutOfMemory));
    }
    Encoding encoding;
    // Room for the rows as they are, more than deflate ever makes of them, so the file is
    // never copied as it grows; pages the file does not reach are never touched.
    const std::size_t raw = static_cast<std::size_t>(rows.height()) *
                            (static_cast<std::size_t>(rows.width()) * (alpha ? 4 : 3) + 1);
    try {
        encoding.file.reserve(raw + raw / 64 + kHeadroom);
    } catch (const std::bad_alloc&) {
        throw EOutOfResources(std::string(msg::kOutOfMemory));
    }
    const WriteStruct write;
    if (!encodeRows(write.png(), write.info(), rows, alpha, encoding)) {
        throw EOutOfResources(std::string(msg::kOutOfMemory));
    }
    return std::move(encoding.file);
}

}  // namespace vestura
