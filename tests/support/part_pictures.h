// Pictures for preview and skin tests: patterned images whose every pixel tells where it
// came from, solid ones, and bitmaps made of them.
#pragma once

#include <QImage>
#include <QSize>
#include <memory>

#include "picture/bmp/bitmap.h"

namespace vestura::test {

// A picture of `size` whose pixels differ by position and by `seed`. Indexed8 pictures get
// a 256-entry colour table; the other formats hold the same kind of pattern.
QImage patterned(QSize size, int seed, QImage::Format format = QImage::Format_RGB32);

// A solid picture.
QImage filled(QSize size, QRgb color);

std::unique_ptr<TBitmap> bitmapOf(const QImage& image);

}  // namespace vestura::test
