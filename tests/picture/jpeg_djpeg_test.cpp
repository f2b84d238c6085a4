// Decoded pixels equal libjpeg-turbo's own djpeg output, byte for byte, when djpeg runs with
// the parameters the picture uses (float IDCT, block smoothing on, 236 colours when
// quantising). Skipped when djpeg is not installed.
#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <sstream>

#include "tests/picture/jpeg_test_support.h"
#include "tests/support/jpeg_encoder.h"
#include "tests/support/temp_folder.h"

namespace vestura::test {
namespace {

struct Pnm {
    int width = 0;
    int height = 0;
    int channels = 0;  // 1 for PGM, 3 for PPM
    std::string pixels;
};

Pnm parsePnm(const std::string& file) {
    std::istringstream in(file);
    std::string magic;
    int maxValue = 0;
    Pnm pnm;
    in >> magic >> pnm.width >> pnm.height >> maxValue;
    in.get();  // the single whitespace byte before the samples
    pnm.channels = magic == "P5" ? 1 : 3;
    pnm.pixels = file.substr(static_cast<std::size_t>(in.tellg()));
    return pnm;
}

// djpeg's output for `jpeg` with `arguments`, or nothing when djpeg cannot run.
std::optional<Pnm> djpeg(const Bytes& jpeg, QStringList arguments) {
    const QString program = QStandardPaths::findExecutable("djpeg");
    if (program.isEmpty()) {
        return std::nullopt;
    }
    TempFolder folder;
    writeFile(folder.file("in.jpg"), std::string(jpeg.begin(), jpeg.end()));
    arguments << "-pnm"
              << "-outfile" << QString::fromStdString(folder.file("out.pnm"))
              << QString::fromStdString(folder.file("in.jpg"));
    constexpr int kWarnings = 2;  // djpeg's exit code when libjpeg warned, e.g. data cut short
    const int status = QProcess::execute(program, arguments);
    if (status != 0 && status != kWarnings) {
        return std::nullopt;
    }
    return parsePnm(folder.read("out.pnm"));
}

// Our decoded bitmap as djpeg writes it: rows of grey or red, green, blue samples.
std::string samplesOf(const QImage& image, int channels) {
    std::string samples;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            samples += static_cast<char>(qRed(pixel));
            if (channels == 3) {
                samples += static_cast<char>(qGreen(pixel));
                samples += static_cast<char>(qBlue(pixel));
            }
        }
    }
    return samples;
}

struct DjpegCase {
    const char* name;
    JpegOptions options;
    int displayBits;
    QImage::Format format;
    double keptShare = 1.0;  // the share of the file's bytes given to the decoders
};

void PrintTo(const DjpegCase& param, std::ostream* out) {
    *out << param.name;
}

class JpegMatchesDjpeg : public ::testing::TestWithParam<DjpegCase> {};

TEST_P(JpegMatchesDjpeg, ByteForByte) {
    const DjpegCase& param = GetParam();
    const DisplayDepth depth(param.displayBits);
    // Odd sizes leave partial blocks and exercise chroma upsampling at the edges.
    Bytes jpeg = encodeJpeg(jpegTestPattern(77, 51), param.options);
    jpeg.resize(static_cast<std::size_t>(static_cast<double>(jpeg.size()) * param.keptShare));
    QStringList arguments{"-dct", "float"};
    if (param.format == QImage::Format_Indexed8) {
        arguments << "-colors"
                  << "236";
    }
    const std::optional<Pnm> reference = djpeg(jpeg, arguments);
    if (!reference) {
        GTEST_SKIP() << "djpeg (libjpeg-turbo-progs) is not available";
    }
    const auto picture = loadedJpeg(jpeg);
    const QImage& image = picture->bitmap().image();
    ASSERT_EQ(image.format(), param.format);
    ASSERT_EQ(image.width(), reference->width);
    ASSERT_EQ(image.height(), reference->height);
    EXPECT_TRUE(samplesOf(image, reference->channels) == reference->pixels);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, JpegMatchesDjpeg,
    ::testing::Values(
        DjpegCase{"ColourBaseline", {.quality = 85}, 24, QImage::Format_BGR888},
        DjpegCase{
            "ColourProgressive", {.progressive = true, .quality = 60}, 24, QImage::Format_BGR888},
        DjpegCase{"GreyBaseline", {.color = JpegColor::Grayscale}, 24, QImage::Format_Indexed8},
        DjpegCase{"GreyProgressive",
                  {.color = JpegColor::Grayscale, .progressive = true, .quality = 50},
                  24,
                  QImage::Format_Indexed8},
        // Coefficients missing from the later scans: block smoothing fills them in.
        DjpegCase{
            "ColourProgressiveCutShort", {.progressive = true}, 24, QImage::Format_BGR888, 0.4},
        DjpegCase{"GreyProgressiveCutShort",
                  {.color = JpegColor::Grayscale, .progressive = true},
                  24,
                  QImage::Format_Indexed8,
                  0.5},
        DjpegCase{"ColourOn8BitDisplay", {}, 8, QImage::Format_Indexed8},
        DjpegCase{
            "ColourProgressiveOn8BitDisplay", {.progressive = true}, 8, QImage::Format_Indexed8}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vestura::test
