// JPEG files through the picture loader: the extensions that choose TJPEGImage, failures at
// load, and a picture that needs its file no longer.
#include <gtest/gtest.h>

#include <QBuffer>
#include <filesystem>

#include "picture/file_formats.h"
#include "picture/picture.h"
#include "tests/picture/jpeg_test_support.h"
#include "tests/support/jpeg_encoder.h"
#include "tests/support/temp_folder.h"

namespace vestura::test {
namespace {

std::string asText(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

class JpegExtension : public ::testing::TestWithParam<const char*> {};

TEST_P(JpegExtension, ChoosesTheJpegPicture) {
    TempFolder folder;
    const std::string path = folder.file(std::string("part.") + GetParam());
    writeFile(path, asText(encodeJpeg(jpegTestPattern(12, 10))));
    TPicture container;
    container.loadFromFile(path);
    ASSERT_NE(dynamic_cast<TJPEGImage*>(container.graphic()), nullptr);
    EXPECT_EQ(container.width(), 12);
    EXPECT_EQ(container.height(), 10);
}

INSTANTIATE_TEST_SUITE_P(Cases, JpegExtension,
                         ::testing::Values("jpg", "JPG", "jpeg", "JPEG", "Jpg"));

TEST(JpegLoader, TableHoldsJpegAndJpgAfterBmp) {
    const auto& entries = fileFormats().entries();
    const auto at = [&](std::string_view extension) {
        return std::find_if(entries.begin(), entries.end(),
                            [&](const auto& entry) { return entry.extension == extension; });
    };
    ASSERT_NE(at("jpeg"), entries.end());
    EXPECT_EQ(at("jpeg") + 1, at("jpg"));
    EXPECT_LT(at("bmp"), at("jpeg"));
    EXPECT_EQ(at("jpg")->description, "JPEG Image File");
    EXPECT_EQ(at("jpeg")->description, "JPEG Image File");
}

TEST(JpegLoader, BmpFileNamedJpgFailsAtLoadAndKeepsTheOldPicture) {
    TempFolder folder;
    const std::string good = folder.file("good.jpg");
    writeFile(good, asText(encodeJpeg(jpegTestPattern(12, 10))));
    QByteArray bmp;
    QBuffer buffer(&bmp);
    buffer.open(QIODevice::WriteOnly);
    jpegTestPattern(4, 4).save(&buffer, "BMP");
    const std::string bad = folder.file("bad.jpg");
    writeFile(bad, bmp.toStdString());

    TPicture container;
    container.loadFromFile(good);
    TGraphic* before = container.graphic();
    EXPECT_EQ(jpegFailureOf([&] { container.loadFromFile(bad); }), jpegError(kNoStartOfImageCode));
    EXPECT_EQ(container.graphic(), before);
}

TEST(JpegLoader, ZeroByteJpgLoadsAndFailsAtFirstDraw) {
    TempFolder folder;
    writeFile(folder.file("empty.jpg"), "");
    TPicture container;
    container.loadFromFile(folder.file("empty.jpg"));
    EXPECT_EQ(container.width(), 0);
    EXPECT_EQ(jpegFailureOf([&] { drawOnCanvas(*container.graphic(), 4, 4); }),
              jpegError(kEmptyInputCode));
}

TEST(JpegLoader, DecodesAfterItsFileIsGone) {
    TempFolder folder;
    const std::string path = folder.file("part.jpg");
    writeFile(path, asText(encodeJpeg(jpegTestPattern(12, 10))));
    TPicture container;
    container.loadFromFile(path);
    std::filesystem::remove(path);
    const QImage canvas = drawOnCanvas(*container.graphic(), 12, 10);
    EXPECT_NE(canvas.pixel(6, 5), qRgb(255, 0, 0));
}

}  // namespace
}  // namespace vestura::test
