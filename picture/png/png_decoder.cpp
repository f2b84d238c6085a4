// libpng's progressive reader: the file is handed over whole and libpng calls back with the
// header and then with each row. It stops inflating once the last row is in, where the
// sequential reader would inflate whatever else the pixel data holds: a few KB of it can
// ask for gigabytes. libpng reports failures by longjmp; the one frame that sets the jump
// point and the callbacks hold nothing with a destructor, and the C++ code around them
// raises afterwards. The read structure is destroyed on every path by its owner below.
#include "picture/png/png_decoder.h"

#include <png.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>

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

// What the callbacks share: the picture being decoded and how its decoding went.
struct Decoding {
    QImage image;  // ARGB32, made once the header has passed the limits
    bool interlaced = false;
    bool complete = false;     // the last row of the last pass is in
    bool outOfMemory = false;  // an allocation failed, ours or libpng's
};

// Failures leave the decoding at once, saying nothing; warnings are dropped.
void onError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void onWarning(png_structp, png_const_charp) {}

png_voidp allocate(png_structp png, png_alloc_size_t size) {
    void* block = std::malloc(size);
    if (block == nullptr) {
        static_cast<Decoding*>(png_get_mem_ptr(png))->outOfMemory = true;
    }
    return block;
}
void release(png_structp, png_voidp block) {
    std::free(block);
}

// Owns libpng's read and info structures.
class ReadStruct {
public:
    explicit ReadStruct(Decoding& decoding)
        : png_(png_create_read_struct_2(PNG_LIBPNG_VER_STRING, &decoding, &onError, &onWarning,
                                        &decoding, &allocate, &release)) {
        if (png_ != nullptr) {
            info_ = png_create_info_struct(png_);
        }
        if (png_ == nullptr || info_ == nullptr) {
            raiseOutOfMemory();
        }
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

Decoding& decodingOf(png_structp png) {
    return *static_cast<Decoding*>(png_get_progressive_ptr(png));
}

// Limits libpng checks as it reads: sides in the header, what an ancillary chunk may take.
// Metadata is skipped unread: no text, profile or palette suggestion is decompressed.
void setLimits(png_structp png) {
    png_set_user_limits(png, limits::kMaxDimension, limits::kMaxDimension);
    png_set_chunk_malloc_max(png, limits::kPngMaxChunkAllocation);
    png_set_chunk_cache_max(png, limits::kPngMaxCachedChunks);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
    static const png_byte kSkipped[] =
        "tEXt\0zTXt\0iTXt\0iCCP\0sPLT\0eXIf\0hIST\0pCAL\0sCAL\0"
        "sTER\0tIME\0pHYs\0oFFs\0gAMA\0cHRM\0sRGB\0sBIT\0bKGD";
    constexpr int kChunkNameBytes = 5;
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kSkipped,
                                static_cast<int>(sizeof(kSkipped) / kChunkNameBytes));
}

// Every colour type and depth to 8-bit BGRA, the rows of every pass combined.
void setTransformations(png_structp png, png_infop info) {
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
}

// The header is in: check the size against the limits, then make the picture. What is kept
// is the picture's own 32-bit rows, which it is drawn from as they are; libpng works in two
// raw rows besides.
void onHeader(png_structp png, png_infop info) {
    Decoding& decoding = decodingOf(png);
    setTransformations(png, info);
    const std::int64_t w = png_get_image_width(png, info);
    const std::int64_t h = png_get_image_height(png, info);
    const std::int64_t working =
        w * limits::kPngWorkingBytesPerColumn + h * limits::kPngBytesPerRowPointer;
    if (w == 0 || h == 0 ||
        png_get_rowbytes(png, info) != static_cast<size_t>(w * kBytesPerPixel) ||
        !limits::fits(w, h, w * kBytesPerPixel, 0, working)) {
        png_error(png, "beyond the limits");
    }
    decoding.interlaced = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;
    decoding.image = QImage(static_cast<int>(w), static_cast<int>(h), QImage::Format_ARGB32);
    if (decoding.image.isNull()) {
        decoding.outOfMemory = true;
        png_error(png, "out of memory");
    }
    // Pixels no pass reaches (there are none in a whole file) stay transparent.
    decoding.image.fill(Qt::transparent);
}

// One row of one pass; with interlace handling every pass calls back for every row, the
// rows it has no pixels for without any.
void onRow(png_structp png, png_bytep row, png_uint_32 rowNumber, int pass) {
    constexpr int kLastInterlacePass = 6;
    Decoding& decoding = decodingOf(png);
    if (rowNumber >= static_cast<png_uint_32>(decoding.image.height())) {
        png_error(png, "row outside the picture");
    }
    png_progressive_combine_row(png, decoding.image.scanLine(static_cast<int>(rowNumber)), row);
    const int lastPass = decoding.interlaced ? kLastInterlacePass : 0;
    if (rowNumber + 1 == static_cast<png_uint_32>(decoding.image.height()) && pass == lastPass) {
        decoding.complete = true;
    }
}

// Hands libpng the whole file; false when it failed on the way.
bool decodeAll(png_structp png, png_infop info, png_bytep file, size_t size) {
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    setLimits(png);
    png_set_progressive_read_fn(png, png_get_mem_ptr(png), &onHeader, &onRow, nullptr);
    png_process_data(png, info, file, size);
    return true;
}

}  // namespace

QImage decodePng(std::span<const std::uint8_t> file) {
    if (file.size() < kSignatureBytes || png_sig_cmp(file.data(), 0, kSignatureBytes) != 0) {
        raiseInvalid();
    }
    Decoding decoding;
    {
        const ReadStruct read(decoding);
        // libpng takes the data as writable; it does not write to it.
        const bool decoded =
            decodeAll(read.png(), read.info(), const_cast<png_bytep>(file.data()), file.size());
        if (!decoded || !decoding.complete) {
            decoding.image = QImage();  // what was decoded goes before the failure is raised
            if (decoding.outOfMemory) {
                raiseOutOfMemory();
            }
            raiseInvalid();
        }
    }
    return std::move(decoding.image);
}

}  // namespace vestura
