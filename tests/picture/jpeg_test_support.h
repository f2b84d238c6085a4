// Shared bits of the JPEG picture tests: libjpeg's codes as this library numbers them,
// drawing, catching EJPEG, and a display depth that is restored afterwards.
#pragma once

#include <QImage>
#include <QPainter>
#include <memory>
#include <string>

#include "common/errors.h"
#include "picture/display.h"
#include "picture/jpeg/jpeg_image.h"

namespace vestura::test {

// libjpeg-turbo's codes (jerror.h) for the failures the tests provoke.
inline constexpr int kTooManyScansCode = 16;      // JERR_BAD_PROGRESSION, our scan limit
inline constexpr int kImageTooBigCode = 41;       // JERR_IMAGE_TOO_BIG
inline constexpr int kEmptyInputCode = 42;        // JERR_INPUT_EMPTY
inline constexpr int kNoImageCode = 51;           // JERR_NO_IMAGE
inline constexpr int kNoStartOfImageCode = 53;    // JERR_NO_SOI
inline constexpr int kFrameWithoutScanCode = 59;  // JERR_SOF_NO_SOS

inline std::string jpegError(int code) {
    return "JPEG error #" + std::to_string(code);
}

// The EJPEG message `action` raises, or "" when it raises nothing.
template <typename Action>
std::string jpegFailureOf(Action&& action) {
    try {
        action();
    } catch (const EJPEG& failure) {
        return failure.message();
    }
    return {};
}

// Draws the picture over a canvas of `fill` colour, scaled to the canvas.
inline QImage drawOnCanvas(TGraphic& picture, int width, int height, QRgb fill = qRgb(255, 0, 0)) {
    QImage canvas(width, height, QImage::Format_RGB32);
    canvas.fill(fill);
    QPainter painter(&canvas);
    picture.draw(painter, canvas.rect());
    return canvas;
}

inline std::unique_ptr<TJPEGImage> loadedJpeg(const Bytes& bytes) {
    auto picture = std::make_unique<TJPEGImage>();
    picture->loadFromBytes(bytes);
    return picture;
}

// Sets the display's colour depth for one test.
class DisplayDepth {
public:
    explicit DisplayDepth(int bitsPerPixel) : saved_(display()) {
        DisplayInfo info = saved_;
        info.bitsPerPixel = bitsPerPixel;
        setDisplay(info);
    }
    ~DisplayDepth() { setDisplay(saved_); }
    DisplayDepth(const DisplayDepth&) = delete;
    DisplayDepth& operator=(const DisplayDepth&) = delete;

private:
    DisplayInfo saved_;
};

}  // namespace vestura::test
