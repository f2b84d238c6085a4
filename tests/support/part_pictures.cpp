#include "tests/support/part_pictures.h"

namespace vestura::test {

QImage patterned(QSize size, int seed, QImage::Format format) {
    if (format == QImage::Format_Indexed8) {
        QImage image(size, QImage::Format_Indexed8);
        QList<QRgb> table;
        for (int i = 0; i < 256; ++i) {
            table.append(qRgb(i, (i * 7 + seed * 50) & 0xFF, (i * 13 + seed * 90) & 0xFF));
        }
        image.setColorTable(table);
        for (int y = 0; y < size.height(); ++y) {
            for (int x = 0; x < size.width(); ++x) {
                image.setPixel(x, y, static_cast<uint>((x * 3 + y * 5 + seed) & 0xFF));
            }
        }
        return image;
    }
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            image.setPixel(x, y,
                           qRgb((x * 7 + seed * 40) & 0xFF, (y * 5 + seed * 70) & 0xFF,
                                (x + y + seed * 30) & 0xFF));
        }
    }
    return image.convertToFormat(format);
}

QImage filled(QSize size, QRgb color) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

std::unique_ptr<TBitmap> bitmapOf(const QImage& image) {
    return std::make_unique<TBitmap>(image);
}

}  // namespace vestura::test
