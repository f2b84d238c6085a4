// The 24-bit BMP encoder: its bytes, its sizes for any width, height and table, and the
// colours it keeps from every pixel format.
#include "picture/bmp/bmp_writer.h"

#include <gtest/gtest.h>

#include <QList>
#include <cstdint>
#include <vector>

namespace vestura {
namespace {

std::uint32_t u32At(const Bytes& file, std::size_t offset) {
    return file[offset] | file[offset + 1] << 8 | file[offset + 2] << 16 |
           static_cast<std::uint32_t>(file[offset + 3]) << 24;
}

TEST(EncodeBmp24, WritesHeadersTableAndBottomUpPaddedRowsByteForByte) {
    QImage image(3, 2, QImage::Format_RGB32);
    image.setPixel(0, 0, qRgb(255, 0, 0));
    image.setPixel(1, 0, qRgb(0, 255, 0));
    image.setPixel(2, 0, qRgb(0, 0, 255));
    image.setPixel(0, 1, qRgb(255, 255, 255));
    image.setPixel(1, 1, qRgb(0, 0, 0));
    image.setPixel(2, 1, qRgb(10, 20, 30));
    const std::vector<QRgb> table{qRgba(1, 2, 3, 0x80), qRgb(4, 5, 6)};

    // clang-format off
    const Bytes expected{
        'B', 'M', 86, 0, 0, 0, 0, 0, 0, 0, 62, 0, 0, 0,      // file header
        40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0,    // information header
        0, 0, 0, 0, 24, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        2, 0, 0, 0, 0, 0, 0, 0,
        3, 2, 1, 0, 6, 5, 4, 0,                              // colour table, B G R 0
        255, 255, 255, 0, 0, 0, 30, 20, 10, 0, 0, 0,         // bottom row first, padded
        0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0};
    // clang-format on
    EXPECT_EQ(encodeBmp24(image, table), expected);
}

struct Layout {
    int width, height;
    std::size_t colors;
    std::size_t stride, pixelOffset, fileSize, colorsUsed;
};

class EncodeBmp24Layout : public ::testing::TestWithParam<Layout> {};

TEST_P(EncodeBmp24Layout, SizesFollowWidthHeightAndTable) {
    const Layout& layout = GetParam();
    QImage image(layout.width, layout.height, QImage::Format_RGB32);
    image.fill(Qt::white);
    const std::vector<QRgb> table(layout.colors, qRgb(7, 8, 9));
    const Bytes file = encodeBmp24(image, table);
    ASSERT_EQ(file.size(), layout.fileSize);
    EXPECT_EQ(u32At(file, 2), layout.fileSize);
    EXPECT_EQ(u32At(file, 10), layout.pixelOffset);
    EXPECT_EQ(u32At(file, 34), layout.stride * static_cast<std::size_t>(layout.height));
    EXPECT_EQ(u32At(file, 46), layout.colorsUsed);
    const std::size_t data = 3 * static_cast<std::size_t>(layout.width);
    for (std::size_t row = layout.pixelOffset; row < file.size(); row += layout.stride) {
        for (std::size_t i = 0; i < layout.stride; ++i) {
            ASSERT_EQ(file[row + i], i < data ? 255 : 0) << "row at " << row << ", byte " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, EncodeBmp24Layout,
    ::testing::Values(Layout{256, 256, 256, 768, 1078, 197686, 256},  // a skin
                      Layout{256, 256, 0, 768, 54, 196662, 0},        // no table
                      Layout{255, 4, 0, 768, 54, 54 + 768 * 4, 0},    // 3 padding bytes
                      Layout{1, 3, 0, 4, 54, 54 + 12, 0},             // 1 padding byte
                      Layout{2, 1, 1, 8, 58, 58 + 8, 1},              // 2 padding bytes
                      Layout{5, 2, 300, 16, 1078, 1078 + 32, 256},    // table cut to 256
                      Layout{0, 0, 0, 0, 54, 54, 0}));

// Every pixel lands at its own place as blue, green, red, whatever the width's remainder
// in groups of four, and the alpha byte never leaks into a neighbour or the padding.
TEST(EncodeBmp24, EveryWidthPlacesEachPixelsOwnBytes) {
    for (int width = 1; width <= 9; ++width) {
        QImage image(width, 2, QImage::Format_ARGB32);
        for (int y = 0; y < 2; ++y) {
            for (int x = 0; x < width; ++x) {
                const int k = y * 16 + x;
                image.setPixel(x, y, qRgba(10 + k, 100 + k, 200 + k / 2, 0x5A));
            }
        }
        const Bytes file = encodeBmp24(image, {});
        const std::size_t stride = (3 * static_cast<std::size_t>(width) + 3) / 4 * 4;
        for (int y = 0; y < 2; ++y) {
            const std::size_t row = 54 + stride * static_cast<std::size_t>(1 - y);
            for (int x = 0; x < width; ++x) {
                const QRgb pixel = image.pixel(x, y);
                const std::size_t at = row + 3 * static_cast<std::size_t>(x);
                EXPECT_EQ(file[at], qBlue(pixel)) << width << ": " << x << ", " << y;
                EXPECT_EQ(file[at + 1], qGreen(pixel)) << width << ": " << x << ", " << y;
                EXPECT_EQ(file[at + 2], qRed(pixel)) << width << ": " << x << ", " << y;
            }
            for (std::size_t i = 3 * static_cast<std::size_t>(width); i < stride; ++i) {
                EXPECT_EQ(file[row + i], 0) << width << ": padding " << i;
            }
        }
    }
}

// Pure colours survive every format the skin could arrive in, down to 16 bits per pixel.
class EncodeBmp24Format : public ::testing::TestWithParam<QImage::Format> {};

TEST_P(EncodeBmp24Format, EveryPixelKeepsItsRedGreenAndBlue) {
    QImage image(5, 3, QImage::Format_RGB32);
    const QRgb colors[] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 255),
                           qRgb(0, 0, 0)};
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            image.setPixel(x, y, colors[(x + 2 * y) % 5]);
        }
    }
    EXPECT_EQ(encodeBmp24(image.convertToFormat(GetParam()), {}), encodeBmp24(image, {}));
}

INSTANTIATE_TEST_SUITE_P(Formats, EncodeBmp24Format,
                         ::testing::Values(QImage::Format_ARGB32,
                                           QImage::Format_ARGB32_Premultiplied,
                                           QImage::Format_RGB888, QImage::Format_BGR888,
                                           QImage::Format_Indexed8, QImage::Format_RGB16,
                                           QImage::Format_RGBX64));

TEST(EncodeBmp24, SeeThroughPixelsKeepTheirColor) {
    QImage image(1, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(10, 20, 30, 0));
    const Bytes file = encodeBmp24(image, {});
    EXPECT_EQ(Bytes(file.begin() + 54, file.end()), (Bytes{30, 20, 10, 0}));
}

}  // namespace
}  // namespace vestura
