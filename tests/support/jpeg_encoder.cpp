// JPEG test files through libjpeg's encoder, and byte-level edits of them.
#include "tests/support/jpeg_encoder.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "picture/jpeg/jpeg_library.h"

namespace vestura::test {

namespace {

constexpr std::uint8_t kMarker = 0xFF;
constexpr std::uint8_t kProgressiveFrame = 0xC2;

bool isFrameMarker(std::uint8_t marker) {
    return marker >= kJpegStartOfFrame && marker <= kProgressiveFrame;
}

// The offset of the first header segment whose marker satisfies `wanted`, walking the
// segments from the start-of-image marker by their lengths.
template <typename Wanted>
std::size_t headerSegment(const Bytes& jpeg, Wanted wanted) {
    std::size_t at = 2;
    while (at + 3 < jpeg.size() && jpeg[at] == kMarker) {
        if (wanted(jpeg[at + 1])) {
            return at;
        }
        at += 2 + (std::size_t{jpeg[at + 2]} << 8 | jpeg[at + 3]);
    }
    throw std::runtime_error("the JPEG lacks the header segment looked for");
}

[[noreturn]] void abortOnError(j_common_ptr info) {
    (*info->err->output_message)(info);
    std::abort();
}

struct Sample {
    J_COLOR_SPACE inputSpace;
    int components;
    J_COLOR_SPACE fileSpace;
};

Sample sampleFor(JpegColor color) {
    switch (color) {
        case JpegColor::Rgb:
            return {JCS_RGB, 3, JCS_YCbCr};
        case JpegColor::Grayscale:
            return {JCS_GRAYSCALE, 1, JCS_GRAYSCALE};
        case JpegColor::AdobeCmyk:
        case JpegColor::PlainCmyk:
            return {JCS_CMYK, 4, JCS_CMYK};
        case JpegColor::AdobeYcck:
            return {JCS_CMYK, 4, JCS_YCCK};
    }
    return {JCS_RGB, 3, JCS_YCbCr};
}

// One pixel's samples in the encoder's input colour space.
void putPixel(QRgb pixel, JpegColor color, JSAMPLE* out) {
    const int red = qRed(pixel), green = qGreen(pixel), blue = qBlue(pixel);
    if (color == JpegColor::Rgb) {
        out[0] = red, out[1] = green, out[2] = blue;
        return;
    }
    if (color == JpegColor::Grayscale) {
        out[0] = static_cast<JSAMPLE>(qGray(pixel));
        return;
    }
    const int brightest = std::max({red, green, blue});
    const auto ink = [brightest](int channel) {
        return brightest == 0 ? 0 : (brightest - channel) * 255 / brightest;
    };
    const int inks[4] = {ink(red), ink(green), ink(blue), 255 - brightest};
    const bool inverted = color != JpegColor::PlainCmyk;  // Adobe files store 255 - ink
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<JSAMPLE>(inverted ? 255 - inks[i] : inks[i]);
    }
}

void configure(jpeg_compress_struct& info, const QImage& image, const JpegOptions& options) {
    const Sample sample = sampleFor(options.color);
    info.image_width = static_cast<JDIMENSION>(image.width());
    info.image_height = static_cast<JDIMENSION>(image.height());
    info.input_components = sample.components;
    info.in_color_space = sample.inputSpace;
    jpeg_set_defaults(&info);
    jpeg_set_colorspace(&info, sample.fileSpace);
    info.write_Adobe_marker =
        options.color == JpegColor::AdobeCmyk || options.color == JpegColor::AdobeYcck;
    jpeg_set_quality(&info, options.quality, TRUE);
    if (options.progressive) {
        jpeg_simple_progression(&info);
    }
}

}  // namespace

Bytes encodeJpeg(const QImage& image, const JpegOptions& options) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    errors.error_exit = &abortOnError;
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    configure(info, image, options);
    jpeg_start_compress(&info, TRUE);

    const QImage source = image.convertToFormat(QImage::Format_RGB32);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(image.width()) * info.input_components);
    while (info.next_scanline < info.image_height) {
        const auto* pixels = reinterpret_cast<const QRgb*>(
            source.constScanLine(static_cast<int>(info.next_scanline)));
        for (int x = 0; x < image.width(); ++x) {
            putPixel(pixels[x], options.color,
                     &row[static_cast<std::size_t>(x) * info.input_components]);
        }
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    Bytes result(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return result;
}

QImage jpegTestPattern(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int red = x * 255 / std::max(1, width - 1);
            const int green = y * 255 / std::max(1, height - 1);
            const int blue = ((x / 4 + y / 4) % 2) ? 220 : 40;  // sharp edges
            image.setPixel(x, y, qRgb(red, green, (blue + x * y) % 256));
        }
    }
    return image;
}

Bytes jpegCutBefore(const Bytes& jpeg, std::uint8_t wanted) {
    const std::size_t at = headerSegment(jpeg, [wanted](std::uint8_t marker) {
        return wanted == kJpegStartOfFrame ? isFrameMarker(marker) : marker == wanted;
    });
    return Bytes(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(at));
}

Bytes jpegWithRepeatedLastScan(const Bytes& jpeg, int times) {
    // Entropy-coded data never holds FF DA (a data FF is followed by 00 or a restart code),
    // so the last FF DA starts the last scan, which runs to the end-of-image marker.
    std::size_t last = 0;
    for (std::size_t i = 2; i + 1 < jpeg.size(); ++i) {
        if (jpeg[i] == kMarker && jpeg[i + 1] == kJpegStartOfScan) {
            last = i;
        }
    }
    const auto scanBegin = jpeg.begin() + static_cast<std::ptrdiff_t>(last);
    const auto scanEnd = jpeg.end() - 2;
    Bytes result(jpeg.begin(), scanEnd);
    for (int i = 0; i < times; ++i) {
        result.insert(result.end(), scanBegin, scanEnd);
    }
    result.insert(result.end(), scanEnd, jpeg.end());
    return result;
}

Bytes jpegWithSkippedSegment(const Bytes& jpeg, int payloadBytes) {
    constexpr std::uint8_t kApplication1 = 0xE1;
    const int length = payloadBytes + 2;  // the length field counts itself
    Bytes segment{kMarker, kApplication1, static_cast<std::uint8_t>(length >> 8),
                  static_cast<std::uint8_t>(length)};
    segment.resize(segment.size() + static_cast<std::size_t>(payloadBytes), 0x5A);
    Bytes result = jpeg;
    result.insert(result.begin() + 2, segment.begin(), segment.end());
    return result;
}

Bytes jpegWithFrameSize(Bytes jpeg, int width, int height) {
    // A start-of-frame segment: marker (2), length (2), precision (1), height (2), width (2).
    const std::size_t frame = headerSegment(jpeg, isFrameMarker);
    jpeg[frame + 5] = static_cast<std::uint8_t>(height >> 8);
    jpeg[frame + 6] = static_cast<std::uint8_t>(height);
    jpeg[frame + 7] = static_cast<std::uint8_t>(width >> 8);
    jpeg[frame + 8] = static_cast<std::uint8_t>(width);
    return jpeg;
}

}  // namespace vestura::test
