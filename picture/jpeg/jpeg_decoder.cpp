// Header pass and decode pass through libjpeg, writing decoded rows straight into the
// bitmap's pixel rows.
#include "picture/jpeg/jpeg_decoder.h"

#include <QList>
#include <algorithm>

#include "common/errors.h"
#include "picture/allocation.h"
#include "picture/display.h"
#include "picture/jpeg/jpeg_decompressor.h"
#include "picture/limits.h"

namespace vestura::jpeg {

namespace {

constexpr int kQuantizedColors = 236;  // leaves 20 entries of an 8-bit palette to the system
constexpr std::uint8_t kFullIntensity = 255;
constexpr std::int64_t kCoefficientBytesPerBlock = DCTSIZE2 * sizeof(JCOEF);

// How decoded rows reach the bitmap.
enum class Output {
    Indexed,  // 8-bit colour indexes from libjpeg's quantiser
    Bgr,      // 24-bit rows straight from libjpeg in blue, green, red order
    Cmyk,     // four components, converted to 24-bit BGR row by row
};

// Decided from the state jpeg_read_header leaves. libjpeg cannot quantise or convert
// four-component data to RGB, so CMYK and YCCK (delivered as CMYK) are converted by us and
// stay at 24 bits on every display.
Output outputFor(const jpeg_decompress_struct& info) {
    if (info.out_color_space == JCS_CMYK) {
        return Output::Cmyk;
    }
    if (display().bitsPerPixel <= 8 || info.out_color_space == JCS_GRAYSCALE) {
        return Output::Indexed;
    }
    return Output::Bgr;
}

int bitsPerPixel(Output output) {
    return output == Output::Indexed ? 8 : 24;
}

void readHeaderStep(Decompressor& decompressor) {
    jpeg_decompress_struct& info = decompressor.info();
    decompressor.run([&info] { jpeg_read_header(&info, TRUE); });
}

// Refuses a picture larger than the limits, before anything is allocated for its pixels:
// the decoded rows, the 32-bit copy they are drawn from, and for multi-scan data the whole
// coefficient buffer libjpeg keeps while the scans arrive.
void checkSize(jpeg_decompress_struct& info, Output output) {
    const std::int64_t coefficients =
        jpeg_has_multiple_scans(&info) ? frameBlocks(info) * kCoefficientBytesPerBlock : 0;
    const auto rowBytes = limits::paddedRowBytes(info.image_width, bitsPerPixel(output));
    if (!rowBytes || !limits::fits(info.image_width, info.image_height, *rowBytes,
                                   limits::kDisplayCopyBytes, coefficients)) {
        Decompressor::raise(JERR_IMAGE_TOO_BIG);
    }
}

void setParameters(jpeg_decompress_struct& info, Output output) {
    info.scale_num = 1;
    info.scale_denom = 1;
    info.do_block_smoothing = TRUE;
    info.dct_method = JDCT_FLOAT;
    if (output == Output::Indexed) {
        info.quantize_colors = TRUE;
        info.desired_number_of_colors = kQuantizedColors;
    } else if (output == Output::Bgr) {
        info.out_color_space = JCS_EXT_BGR;  // the bitmap's own byte order
    }
}

QList<QRgb> colorTable(const jpeg_decompress_struct& info) {
    QList<QRgb> table;
    table.reserve(info.actual_number_of_colors);
    const bool gray = info.out_color_components == 1;
    for (int i = 0; i < info.actual_number_of_colors; ++i) {
        const int red = info.colormap[0][i];
        table.append(gray ? qRgb(red, red, red)
                          : qRgb(red, info.colormap[1][i], info.colormap[2][i]));
    }
    return table;
}

// The bitmap, sized to the output, that the rows are decoded into. Its pixels are left
// unset here: every row is either decoded or cleared by clearRowsFrom().
QImage allocateImage(const jpeg_decompress_struct& info, Output output) {
    const auto width = static_cast<int>(info.output_width);
    const auto height = static_cast<int>(info.output_height);
    QImage image = vestura::allocateImage(
        width, height, output == Output::Indexed ? QImage::Format_Indexed8 : QImage::Format_BGR888);
    if (output == Output::Indexed) {
        image.setColorTable(colorTable(info));
    }
    return image;
}

// One row of CMYK samples to blue, green, red. Files with an Adobe marker store the inks
// inverted (255 = no ink), which is what nearly every CMYK JPEG does.
void convertCmykRow(const JSAMPLE* cmyk, std::uint8_t* bgr, JDIMENSION width, bool inverted) {
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        const auto ink = [inverted](JSAMPLE sample) -> unsigned {
            return inverted ? sample : kFullIntensity - sample;
        };
        const unsigned black = ink(cmyk[3]);
        bgr[0] = static_cast<std::uint8_t>(ink(cmyk[2]) * black / kFullIntensity);
        bgr[1] = static_cast<std::uint8_t>(ink(cmyk[1]) * black / kFullIntensity);
        bgr[2] = static_cast<std::uint8_t>(ink(cmyk[0]) * black / kFullIntensity);
    }
}

// Reads every scanline into the rows starting at `pixels`. Runs inside a guarded step:
// only trivial objects here.
void readRows(jpeg_decompress_struct& info, std::uint8_t* pixels, qsizetype stride, Output output) {
    JSAMPARRAY cmykRow = nullptr;
    if (output == Output::Cmyk) {
        cmykRow = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                            info.output_width * 4, 1);
    }
    while (info.output_scanline < info.output_height) {
        std::uint8_t* row = pixels + stride * info.output_scanline;
        JSAMPROW target = cmykRow ? cmykRow[0] : row;
        if (jpeg_read_scanlines(&info, &target, 1) == 1 && cmykRow) {
            convertCmykRow(cmykRow[0], row, info.output_width, info.saw_Adobe_marker);
        }
    }
}

// Zeroes the rows a failed decode did not reach (black, or colour 0 of the table), so the
// bitmap never shows stale memory.
void clearRowsFrom(QImage& image, JDIMENSION firstRow) {
    for (auto y = static_cast<int>(firstRow); y < image.height(); ++y) {
        std::fill_n(image.scanLine(y), image.bytesPerLine(), std::uint8_t{0});
    }
}

}  // namespace

Header readHeader(ByteView data) {
    Decompressor decompressor(data);
    readHeaderStep(decompressor);
    jpeg_decompress_struct& info = decompressor.info();
    checkSize(info, outputFor(info));
    return {static_cast<int>(info.image_width), static_cast<int>(info.image_height),
            info.jpeg_color_space == JCS_GRAYSCALE, jpeg_has_multiple_scans(&info) != FALSE};
}

void decode(ByteView data, TBitmap& into) {
    Decompressor decompressor(data);
    readHeaderStep(decompressor);
    jpeg_decompress_struct& info = decompressor.info();
    const Output output = outputFor(info);
    checkSize(info, output);
    setParameters(info, output);
    decompressor.run([&info] { jpeg_start_decompress(&info); });

    into.setImage(allocateImage(info, output),
                  {.bitsPerPixel = bitsPerPixel(output),
                   .colorsUsed = static_cast<std::uint32_t>(
                       output == Output::Indexed ? info.actual_number_of_colors : 0)});
    QImage& image = into.mutableImage();
    std::uint8_t* pixels = image.bits();
    const qsizetype stride = image.bytesPerLine();
    try {
        decompressor.run([&] { readRows(info, pixels, stride, output); });
    } catch (const EJPEG&) {
        clearRowsFrom(image, info.output_scanline);
        throw;
    }
    decompressor.run([&info] { jpeg_finish_decompress(&info); });
}

}  // namespace vestura::jpeg
