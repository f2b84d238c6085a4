// TJPEGImage: the header pass at load, the single decode pass at first draw, the output
// forms, and how libjpeg's failures surface.
#include <gtest/gtest.h>

#include <QBuffer>

#include "picture/jpeg/jpeg_library.h"
#include "tests/picture/jpeg_test_support.h"
#include "tests/support/jpeg_encoder.h"

namespace vestura::test {
namespace {

constexpr int kWidth = 40;
constexpr int kHeight = 24;

Bytes bmpFile(const QImage& image) {
    QByteArray file;
    QBuffer buffer(&file);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return Bytes(file.begin(), file.end());
}

Bytes testJpeg(JpegOptions options = {}) {
    return encodeJpeg(jpegTestPattern(kWidth, kHeight), options);
}

struct HeaderCase {
    const char* name;
    JpegOptions options;
    bool grayscale;
};

class JpegHeaderPass : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(JpegHeaderPass, KnowsSizeAndFormBeforeAnyDraw) {
    const auto picture = loadedJpeg(testJpeg(GetParam().options));
    EXPECT_EQ(picture->width(), kWidth);
    EXPECT_EQ(picture->height(), kHeight);
    EXPECT_EQ(picture->grayscale(), GetParam().grayscale);
    EXPECT_EQ(picture->progressive(), GetParam().options.progressive);
    EXPECT_FALSE(picture->decoded());
    EXPECT_FALSE(picture->empty());
}

INSTANTIATE_TEST_SUITE_P(
    Forms, JpegHeaderPass,
    ::testing::Values(HeaderCase{"ColourBaseline", {JpegColor::Rgb, false}, false},
                      HeaderCase{"ColourProgressive", {JpegColor::Rgb, true}, false},
                      HeaderCase{"GreyBaseline", {JpegColor::Grayscale, false}, true},
                      HeaderCase{"GreyProgressive", {JpegColor::Grayscale, true}, true},
                      HeaderCase{"AdobeCmyk", {JpegColor::AdobeCmyk, false}, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(JpegImage, IsEmptyOnlyBeforeItHoldsData) {
    TJPEGImage picture;
    EXPECT_TRUE(picture.empty());
    picture.loadFromBytes({});
    EXPECT_FALSE(picture.empty());
}

TEST(JpegImage, ZeroBytesLoadAsZeroSizeAndFailAtFirstDrawOnly) {
    const auto picture = loadedJpeg({});
    EXPECT_EQ(picture->width(), 0);
    EXPECT_EQ(picture->height(), 0);
    EXPECT_EQ(jpegFailureOf([&] { drawOnCanvas(*picture, 4, 4); }), jpegError(kEmptyInputCode));
    EXPECT_EQ(jpegFailureOf([&] { drawOnCanvas(*picture, 4, 4); }), "");
    EXPECT_EQ(picture->width(), 0);
}

struct LoadFailureCase {
    const char* name;
    Bytes (*bytes)();
    int code;
};

class JpegLoadFailure : public ::testing::TestWithParam<LoadFailureCase> {};

TEST_P(JpegLoadFailure, RaisesLibjpegsCodeAtLoad) {
    TJPEGImage picture;
    EXPECT_EQ(jpegFailureOf([&] { picture.loadFromBytes(GetParam().bytes()); }),
              jpegError(GetParam().code));
}

INSTANTIATE_TEST_SUITE_P(
    Damage, JpegLoadFailure,
    ::testing::Values(
        LoadFailureCase{"BmpFile", [] { return bmpFile(jpegTestPattern(4, 4)); },
                        kNoStartOfImageCode},
        LoadFailureCase{"SingleByte", [] { return Bytes{0xFF}; }, kNoStartOfImageCode},
        LoadFailureCase{"StartOfImageOnly",
                        [] {
                            return Bytes{0xFF, 0xD8};
                        },
                        kNoImageCode},
        LoadFailureCase{"TablesWithoutFrame",
                        [] { return jpegCutBefore(testJpeg(), kJpegStartOfFrame); }, kNoImageCode},
        // Older libjpeg releases said "no image" here too; libjpeg-turbo names the missing scan.
        LoadFailureCase{"HeadersWithoutScan",
                        [] { return jpegCutBefore(testJpeg(), kJpegStartOfScan); },
                        kFrameWithoutScanCode},
        LoadFailureCase{"WiderThanLimit", [] { return jpegWithFrameSize(testJpeg(), 16385, 8); },
                        kImageTooBigCode},
        LoadFailureCase{"MorePixelBytesThanLimit",
                        [] { return jpegWithFrameSize(testJpeg(), 12000, 12000); },
                        kImageTooBigCode}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(JpegImage, SegmentsSkippedAcrossManyChunksDecodeAlike) {
    const Bytes plain = testJpeg();
    const auto expected = loadedJpeg(plain);
    const auto padded = loadedJpeg(jpegWithSkippedSegment(plain, 65000));  // 16 chunks
    EXPECT_EQ(padded->width(), kWidth);
    EXPECT_EQ(padded->bitmap().image(), expected->bitmap().image());
}

TEST(JpegImage, SkippedSegmentRunningPastTheDataEndsTheHeaders) {
    const Bytes padded = jpegWithSkippedSegment(testJpeg(), 65000);
    TJPEGImage picture;
    EXPECT_EQ(jpegFailureOf(
                  [&] { picture.loadFromBytes(Bytes(padded.begin(), padded.begin() + 10000)); }),
              jpegError(kNoImageCode));
}

TEST(JpegImage, FailedLoadLeavesThePictureAsItWas) {
    const Bytes good = testJpeg();
    const auto picture = loadedJpeg(good);
    EXPECT_NE(jpegFailureOf([&] { picture->loadFromBytes(jpegCutBefore(good, kJpegStartOfScan)); }),
              "");
    EXPECT_EQ(picture->width(), kWidth);
    EXPECT_EQ(picture->data(), good);
}

TEST(JpegImage, LargestSizeWithinLimitsPassesTheHeaderPass) {
    // 2000 x 2000 at 24 bits plus its 32-bit drawing copy is about 27 MiB, under the
    // 32 MiB budget; 2400 x 2400 is about 38 MiB.
    const auto picture = loadedJpeg(jpegWithFrameSize(testJpeg(), 2000, 2000));
    EXPECT_EQ(picture->width(), 2000);
    EXPECT_EQ(jpegFailureOf([] { loadedJpeg(jpegWithFrameSize(testJpeg(), 2400, 2400)); }),
              jpegError(JERR_IMAGE_TOO_BIG));
}

TEST(JpegImage, TooManyScansFailOnceBeforeSizingAndReadZeroSize) {
    // The colour progression has 10 scans; 91 more make 101.
    const auto picture = loadedJpeg(jpegWithRepeatedLastScan(testJpeg({.progressive = true}), 91));
    EXPECT_EQ(picture->width(), kWidth);
    EXPECT_EQ(jpegFailureOf([&] { drawOnCanvas(*picture, 4, 4); }), jpegError(kTooManyScansCode));
    EXPECT_EQ(picture->width(), 0);
    EXPECT_EQ(picture->height(), 0);
    EXPECT_EQ(jpegFailureOf([&] { drawOnCanvas(*picture, 4, 4); }), "");
}

TEST(JpegImage, AHundredScansStillDecode) {
    const auto picture = loadedJpeg(jpegWithRepeatedLastScan(testJpeg({.progressive = true}), 90));
    EXPECT_EQ(jpegFailureOf([&] { picture->bitmap(); }), "");
    EXPECT_EQ(picture->width(), kWidth);
}

TEST(JpegImage, DataCutInsideTheScanDrawsWhatWasDecodedSilently) {
    const Bytes whole = encodeJpeg(jpegTestPattern(64, 64), {.quality = 100});
    const auto full = loadedJpeg(whole);
    const QImage expected = full->bitmap().image();
    const auto cut = loadedJpeg(Bytes(whole.begin(), whole.begin() + whole.size() / 2));
    EXPECT_EQ(jpegFailureOf([&] { drawOnCanvas(*cut, 64, 64); }), "");
    const QImage partial = cut->bitmap().image();
    ASSERT_EQ(partial.size(), expected.size());
    EXPECT_EQ(partial.copy(0, 0, 64, 8), expected.copy(0, 0, 64, 8));  // first MCU rows
    EXPECT_NE(partial, expected);
}

TEST(JpegImage, DecodesOnceAndKeepsTheBitmap) {
    const auto picture = loadedJpeg(testJpeg());
    const TBitmap* first = &picture->bitmap();
    drawOnCanvas(*picture, 8, 8);
    EXPECT_EQ(&picture->bitmap(), first);
    EXPECT_TRUE(picture->decoded());
}

TEST(JpegImage, ReloadDropsTheDecodedBitmap) {
    const auto picture = loadedJpeg(testJpeg());
    picture->bitmap();
    picture->loadFromBytes(encodeJpeg(jpegTestPattern(8, 16)));
    EXPECT_FALSE(picture->decoded());
    EXPECT_EQ(picture->bitmap().width(), 8);
    EXPECT_EQ(picture->height(), 16);
}

TEST(JpegImage, DrawsScaledAndOpaqueEvenWhenTransparent) {
    // A uniform picture: its bottom-left colour is every pixel's, so a transparent bitmap
    // would leave the whole canvas showing.
    QImage grey(16, 16, QImage::Format_RGB32);
    grey.fill(qRgb(128, 128, 128));
    const auto picture = loadedJpeg(encodeJpeg(grey));
    picture->setTransparent(true);
    const QImage canvas = drawOnCanvas(*picture, 48, 32);
    for (const QPoint at : {QPoint(0, 0), QPoint(47, 31), QPoint(24, 16)}) {
        EXPECT_NEAR(qRed(canvas.pixel(at)), 128, 2) << at.x() << "," << at.y();
        EXPECT_NEAR(qGreen(canvas.pixel(at)), 128, 2);
    }
}

}  // namespace
}  // namespace vestura::test
