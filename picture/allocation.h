// Pixel memory that could not be had is a failure like any other: a QImage that comes back
// null though pixels were asked for raises EOutOfResources "Out of memory", so nothing goes
// on with a 0 x 0 picture in its place.
#pragma once

#include <QImage>

namespace vestura {

// Raises "Out of memory" when `image` is null though `wanted` is not empty; else returns it.
QImage& requirePixels(QImage& image, QSize wanted);
QImage requirePixels(QImage&& image, QSize wanted);

// A new image of that size and format, or the "Out of memory" failure.
QImage allocateImage(QSize size, QImage::Format format);
inline QImage allocateImage(int width, int height, QImage::Format format) {
    return allocateImage(QSize(width, height), format);
}

// `image` converted to `format` (the same image when it has that format already), or the
// "Out of memory" failure.
QImage convertedImage(const QImage& image, QImage::Format format,
                      Qt::ImageConversionFlags flags = Qt::AutoColor);

// The text of a std::bad_alloc as failure reporting shows it.
[[noreturn]] void raiseOutOfMemory();

}  // namespace vestura
