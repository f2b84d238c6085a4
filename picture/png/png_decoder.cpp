// libpng reports failures by longjmp. Every libpng call that can fail runs in one of two
// stage functions whose frame holds nothing with a destructor; the stages return false
// after a failure and the C++ code around them raises. The read structure is destroyed on
// every path by its owner below.
#include "picture/png/png_decoder.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/errors.h"
#include "common/messages.h"
#include "picture/allocation.h"
#include "picture/limits.h"

namespace vestura {

namespace {

constexpr int kBytesPerPixel = 4;  // the 8-bit BGRA (ARGB32) rows libpng is asked for
constexpr png_byte kOpaque = 0xFF;
constexpr std::size_t kSignatureBytes = 8;

[[noreturn]] void raiseInvalid() {
    throw EInvalidGraphic(std::string(msg::kPngInvalid));
}

// What the callbacks share: the file's bytes and whether memory ran out.
struct Source {
    std::span<const std::uint8_t> file;
    std::size_t position = 0;
    bool outOfMemory = false;
};

void readBytes(png_structp png, png_bytep out, size_t count) {
    auto* source = static_cast<Source*>(png_get_io_ptr(png));
    if (count > source->file.size() - source->position) {
        png_error(png, "data ends early");
    }
    std::memcpy(out, source->file.data() + source->position, count);
    source->position += count;
}

// Failures leave the stage at once, saying nothing; warnings are dropped.
void onError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void onWarning(png_structp, png_const_charp) {}

png_voidp allocate(png_structp png, png_alloc_size_t size) {
    void* block = std::malloc(size);
    if (block == nullptr) {
        static_cast<Source*>(png_get_mem_ptr(png))->outOfMemory = true;
    }
    return block;
}
void release(png_structp, png_voidp block) {
    std::free(block);
}

// Owns libpng's read and info structures.
class ReadStruct {
public:
    explicit ReadStruct(Source& source)
        : png_(png_create_read_struct_2(PNG_LIBPNG_VER_STRING, nullptr, &onError, &onWarning,
                                        &source, &allocate, &release)) {
        if (png_ != nullptr) {
            info_ = png_create_info_struct(png_);
        }
        if (png_ == nullptr || info_ == nullptr) {
            raiseOutOfMemory();
        }
        png_set_read_fn(png_, &source, &readBytes);
    }
    ~ReadStruct() { png_destroy_read_struct(&png_, &info_, nullptr); }
    ReadStruct(const ReadStruct&) = delete;
    ReadStruct& operator=(const ReadStruct&) = delete;

    png_structp png() const { return png_; }
    png_infop info() const { return info_; }

private:
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
};

// Stage 1: limits, the header, and the transformations to 8-bit BGRA. On success *width and
// *height hold the picture's size and *rowBytes the size of one transformed row.
bool readHeader(png_structp png, png_infop info, png_uint_32* width, png_uint_32* height,
                size_t* rowBytes) {
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    // libpng refuses larger sides while reading the header, before any allocation.
    png_set_user_limits(png, limits::kMaxDimension, limits::kMaxDimension);
    png_set_chunk_malloc_max(png, limits::kPngMaxChunkAllocation);
    png_set_chunk_cache_max(png, limits::kPngMaxCachedChunks);
    // Metadata is skipped unread: no text, profile or palette suggestion is decompressed.
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
    static const png_byte kSkipped[] = "tEXt\0zTXt\0iTXt\0iCCP\0sPLT\0eXIf\0hIST\0pCAL\0sCAL\0"
                                       "sTER\0tIME\0pHYs\0oFFs\0gAMA\0cHRM\0sRGB\0sBIT\0bKGD";
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kSkipped,
                                static_cast<int>(sizeof(kSkipped) / 5));
    png_read_info(png, info);
    const png_byte colorType = png_get_color_type(png, info);
    png_set_expand(png);  // palette to RGB, grey below 8 bits to 8, tRNS to alpha
    png_set_scale_16(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
        png_set_gray_to_rgb(png);
    }
    png_set_filler(png, kOpaque, PNG_FILLER_AFTER);  // only where no alpha comes from the file
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    png_set_bgr(png);  // ARGB32 lies in memory as B, G, R, A
#else
    png_set_swap_alpha(png);  // ... and as A, R, G, B
#endif
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    *width = png_get_image_width(png, info);
    *height = png_get_image_height(png, info);
    *rowBytes = png_get_rowbytes(png, info);
    return true;
}

// Stage 2: every row, all passes of an interlaced picture, into `rows`.
bool readRows(png_structp png, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    png_read_image(png, rows);
    return true;
}

[[noreturn]] void raiseFailure(const Source& source) {
    if (source.outOfMemory) {
        raiseOutOfMemory();
    }
    raiseInvalid();
}

}  // namespace

QImage decodePng(std::span<const std::uint8_t> file) {
    Source source{file};
    if (file.size() < kSignatureBytes || png_sig_cmp(file.data(), 0, kSignatureBytes) != 0) {
        raiseInvalid();
    }
    ReadStruct read(source);
    png_uint_32 width = 0, height = 0;
    size_t rowBytes = 0;
    if (!readHeader(read.png(), read.info(), &width, &height, &rowBytes)) {
        raiseFailure(source);
    }
    // What is kept is the picture's own 32-bit rows, which it is drawn from as they are;
    // libpng works in two raw rows and reads through one pointer a row.
    const std::int64_t w = width, h = height;
    const std::int64_t working =
        w * limits::kPngWorkingBytesPerColumn + h * limits::kPngBytesPerRowPointer;
    if (w == 0 || h == 0 || rowBytes != static_cast<size_t>(w * kBytesPerPixel) ||
        !limits::fits(w, h, w * kBytesPerPixel, 0, working)) {
        raiseInvalid();
    }
    QImage image = allocateImage(static_cast<int>(w), static_cast<int>(h), QImage::Format_ARGB32);
    std::vector<png_bytep> rows(static_cast<std::size_t>(h));
    for (int y = 0; y < image.height(); ++y) {
        rows[static_cast<std::size_t>(y)] = image.scanLine(y);
    }
    if (!readRows(read.png(), rows.data())) {
        raiseFailure(source);
    }
    return image;
}

}  // namespace vestura
