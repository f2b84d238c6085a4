// JPEG files for tests, made with libjpeg's own encoder, and a few byte-level edits of them
// that real damaged files show.
#pragma once

#include <QImage>
#include <cstdint>

#include "common/file_io.h"

namespace vestura::test {

enum class JpegColor {
    Rgb,        // YCbCr, 2x2 chroma subsampling (libjpeg's defaults)
    Grayscale,  // one component
    AdobeCmyk,  // four components with an Adobe marker: inks stored inverted
    AdobeYcck,  // the same inks transformed to YCCK
    PlainCmyk,  // four components, no Adobe marker: inks stored as they are
};

struct JpegOptions {
    JpegColor color = JpegColor::Rgb;
    bool progressive = false;
    int quality = 90;
};

// Encodes `image` (any format; greyscale takes its luminance). The CMYK forms derive the
// inks from the colours (black = 255 - brightest channel), so a correct CMYK-to-RGB
// conversion gives the original colours back. The helper aborts on an encoder error, which
// would be a fault in the test itself.
Bytes encodeJpeg(const QImage& image, const JpegOptions& options = {});

// A picture with gradients, edges and fine detail in every channel.
QImage jpegTestPattern(int width, int height);

// JPEG markers the edits below look for.
inline constexpr std::uint8_t kJpegStartOfFrame = 0xC0;  // baseline; the progressive one is 0xC2
inline constexpr std::uint8_t kJpegStartOfScan = 0xDA;

// The bytes before the first header segment with `marker` (any start-of-frame marker when
// `marker` is kJpegStartOfFrame), e.g. every header but no scan.
Bytes jpegCutBefore(const Bytes& jpeg, std::uint8_t marker);

// The file with its last scan repeated `times` more times before the end-of-image marker.
Bytes jpegWithRepeatedLastScan(const Bytes& jpeg, int times);

// The file with an application segment (APP1, which decoders skip) of `payloadBytes` bytes
// inserted right after the start-of-image marker.
Bytes jpegWithSkippedSegment(const Bytes& jpeg, int payloadBytes);

// The file with the frame header's height and width replaced.
Bytes jpegWithFrameSize(Bytes jpeg, int width, int height);

}  // namespace vestura::test
