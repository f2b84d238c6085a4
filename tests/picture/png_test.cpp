// TPngImage: every colour type, bit depth and interlacing decodes to the stored pixels with
// their alpha; damaged files, oversized headers and metadata bombs are refused or skipped
// within the limits.
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <QPainter>
#include <algorithm>

#include "common/errors.h"
#include "picture/picture.h"
#include "picture/png/png_decoder.h"
#include "picture/png/png_image.h"
#include "picture/png/png_writer.h"
#include "tests/support/png_builder.h"
#include "tests/support/raises.h"
#include "tests/support/temp_folder.h"

namespace vestura {
namespace {

using test::pngFile;
using test::PngForm;
using test::raises;

constexpr std::string_view kInvalid = "PNG image is not valid";
constexpr int kAlphas[] = {255, 0, 128, 37};

// 19 x 11 (odd sides past two interlace blocks, so passes end short and low depths pad
// their rows): every pixel differs, alpha takes four values, grey forms read the red channel.
constexpr QSize kSize(19, 11);
QImage testPicture(int levels, bool alpha) {
    QImage picture(kSize, QImage::Format_ARGB32);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const auto level = [&](int n) { return (n % levels) * 255 / (levels - 1); };
            const int a = alpha ? kAlphas[(x + y) % 4] : 255;
            picture.setPixel(x, y, qRgba(level(x + 2 * y), level(3 * x + y), level(x * y), a));
        }
    }
    return picture;
}

// For palette forms: the pixels cycle through as many colours as the depth indexes.
QImage palettePicture(int depth, bool alpha) {
    const int colours = std::min(1 << depth, kSize.width() * kSize.height());
    QImage picture(kSize, QImage::Format_ARGB32);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const int k = (x + kSize.width() * y) % colours;
            picture.setPixel(
                x, y,
                qRgba(k * 37 % 256, k * 91 % 256, k * 53 % 256, alpha ? kAlphas[k % 4] : 255));
        }
    }
    return picture;
}

// What the picture is expected to hold: the same pixels, premultiplied as Qt does it.
QImage premultiplied(const QImage& straight) {
    return straight.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QImage decoded(const Bytes& file) {
    TPngImage png;
    png.loadFromBytes(file);
    return png.image();
}

PngForm form(int colorType, int bitDepth) {
    PngForm f;
    f.colorType = colorType;
    f.bitDepth = bitDepth;
    return f;
}

struct FormCase {
    const char* name;
    PngForm form;
    int levels;  // sample values the form holds exactly, per channel (palettes: unused)
    bool alpha;
};

void PrintTo(const FormCase& c, std::ostream* out) {
    *out << c.name;
}

class PngForms : public ::testing::TestWithParam<FormCase> {};

TEST_P(PngForms, DecodeToTheStoredPixelsWithTheirAlpha) {
    const FormCase& c = GetParam();
    QImage picture = c.form.colorType == PNG_COLOR_TYPE_PALETTE
                         ? palettePicture(c.form.bitDepth, c.alpha)
                         : testPicture(c.levels, c.alpha);
    if (c.form.colorType == PNG_COLOR_TYPE_GRAY || c.form.colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                const QRgb p = picture.pixel(x, y);
                picture.setPixel(x, y, qRgba(qRed(p), qRed(p), qRed(p), qAlpha(p)));
            }
        }
    }
    for (const bool interlaced : {false, true}) {
        PngForm form = c.form;
        form.interlaced = interlaced;
        const QImage image = decoded(pngFile(picture, form));
        EXPECT_EQ(image, premultiplied(picture)) << (interlaced ? "interlaced" : "progressive");
    }
}

constexpr int k8 = 256;
INSTANTIATE_TEST_SUITE_P(
    Png, PngForms,
    ::testing::Values(FormCase{"Grey1", form(PNG_COLOR_TYPE_GRAY, 1), 2, false},
                      FormCase{"Grey2", form(PNG_COLOR_TYPE_GRAY, 2), 4, false},
                      FormCase{"Grey4", form(PNG_COLOR_TYPE_GRAY, 4), 16, false},
                      FormCase{"Grey8", form(PNG_COLOR_TYPE_GRAY, 8), k8, false},
                      FormCase{"Grey16", form(PNG_COLOR_TYPE_GRAY, 16), k8, false},
                      FormCase{"GreyAlpha8", form(PNG_COLOR_TYPE_GRAY_ALPHA, 8), k8, true},
                      FormCase{"GreyAlpha16", form(PNG_COLOR_TYPE_GRAY_ALPHA, 16), k8, true},
                      FormCase{"Rgb8", form(PNG_COLOR_TYPE_RGB, 8), k8, false},
                      FormCase{"Rgb16", form(PNG_COLOR_TYPE_RGB, 16), k8, false},
                      FormCase{"Rgba8", form(PNG_COLOR_TYPE_RGB_ALPHA, 8), k8, true},
                      FormCase{"Rgba16", form(PNG_COLOR_TYPE_RGB_ALPHA, 16), k8, true},
                      FormCase{"Palette1", form(PNG_COLOR_TYPE_PALETTE, 1), 0, false},
                      FormCase{"Palette2WithAlpha", form(PNG_COLOR_TYPE_PALETTE, 2), 0, true},
                      FormCase{"Palette4WithAlpha", form(PNG_COLOR_TYPE_PALETTE, 4), 0, true},
                      FormCase{"Palette8WithAlpha", form(PNG_COLOR_TYPE_PALETTE, 8), 0, true}),
    [](const auto& info) { return std::string(info.param.name); });

// tRNS in a grey or RGB picture: the one stored colour it names is fully transparent.
TEST(Png, TransparentColourOfGreyAndRgbFormsHasNoAlpha) {
    for (const int type : {PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_RGB}) {
        for (const int depth : {8, 16}) {
            QImage picture(3, 2, QImage::Format_ARGB32);
            picture.fill(qRgb(200, 200, 200));
            picture.setPixel(1, 0, qRgb(17, 17, 17));
            picture.setPixel(2, 1, qRgb(17, 17, 17));
            const QImage image = decoded(pngFile(picture, {type, depth, false, qRgb(17, 17, 17)}));
            QImage expected = picture;
            expected.setPixel(1, 0, 0);
            expected.setPixel(2, 1, 0);
            EXPECT_EQ(image, premultiplied(expected)) << type << " " << depth;
        }
    }
}

// ---- Damaged files --------------------------------------------------------------------------

void putBigEndian(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[at + i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
    }
}

Bytes chunk(std::string_view kind, const Bytes& payload) {
    Bytes body(kind.begin(), kind.end());
    body.insert(body.end(), payload.begin(), payload.end());
    const auto crc =
        static_cast<std::uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size())));
    Bytes out(4 + body.size() + 4);
    putBigEndian(out, 0, static_cast<std::uint32_t>(payload.size()));
    std::copy(body.begin(), body.end(), out.begin() + 4);
    putBigEndian(out, out.size() - 4, crc);
    return out;
}

constexpr std::size_t kAfterHeader = 8 + 25;  // signature, IHDR

// `file` with `extra` inserted right after its header chunk.
Bytes withChunkAfterHeader(Bytes file, const Bytes& extra) {
    file.insert(file.begin() + kAfterHeader, extra.begin(), extra.end());
    return file;
}

// `file` declaring another size in its header (the CRC made to match).
Bytes withSize(Bytes file, std::uint32_t width, std::uint32_t height) {
    putBigEndian(file, 16, width);
    putBigEndian(file, 20, height);
    const Bytes header(file.begin() + 12, file.begin() + 29);
    const std::uint32_t crc =
        static_cast<std::uint32_t>(crc32(0, header.data(), static_cast<uInt>(header.size())));
    putBigEndian(file, 29, crc);
    return file;
}

Bytes goodFile() {
    return pngFile(testPicture(k8, true));
}

TEST(Png, DamagedFilesAreNotValid) {
    const Bytes good = goodFile();
    Bytes badHeaderCrc = good;
    badHeaderCrc[30] ^= 0xFF;
    Bytes badSignature = good;
    badSignature[1] = 'Q';
    const struct {
        const char* name;
        Bytes file;
    } cases[] = {
        {"empty", {}},
        {"signature only", Bytes(good.begin(), good.begin() + 8)},
        {"wrong signature", badSignature},
        {"header CRC wrong", badHeaderCrc},
        {"cut inside the pixel data", Bytes(good.begin(), good.end() - 30)},
        {"a bitmap", Bytes{'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"zero width", withSize(good, 0, 5)},
        {"unknown critical chunk", withChunkAfterHeader(good, chunk("CRIT", Bytes(4, 1)))},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(raises<EInvalidGraphic>([&] { decoded(c.file); }, kInvalid)) << c.name;
    }
}

// Sizes are refused from the header alone: these files hold no pixel data for them.
TEST(Png, SizesBeyondTheLimitsAreRefusedBeforeDecoding) {
    const Bytes good = goodFile();
    for (const auto& [width, height] : {std::pair{100000u, 100000u}, std::pair{8193u, 1u},
                                        std::pair{8192u, 8192u}, std::pair{4096u, 4096u}}) {
        EXPECT_TRUE(
            raises<EInvalidGraphic>([&] { decoded(withSize(good, width, height)); }, kInvalid))
            << width << " x " << height;
    }
}

// A text chunk that inflates to 16 MiB, a colour profile and an unknown chunk are skipped
// without being decompressed or kept.
TEST(Png, MetadataIsSkippedUnread) {
    const Bytes zeros(16 << 20, 0);
    uLongf packedSize = compressBound(static_cast<uLong>(zeros.size()));
    Bytes packed(packedSize);
    ASSERT_EQ(compress2(packed.data(), &packedSize, zeros.data(), zeros.size(), 9), Z_OK);
    packed.resize(packedSize);
    Bytes text = {'b', 'o', 'm', 'b', 0, 0};
    text.insert(text.end(), packed.begin(), packed.end());
    Bytes profile = {'p', 0, 0};
    profile.insert(profile.end(), packed.begin(), packed.end());
    const Bytes file = withChunkAfterHeader(
        withChunkAfterHeader(withChunkAfterHeader(goodFile(), chunk("zTXt", text)),
                             chunk("iCCP", profile)),
        chunk("ruSt", Bytes(1000, 7)));
    EXPECT_EQ(decoded(file), premultiplied(testPicture(k8, true)));
}

// A whole file whose pixel data ends before the last row is not valid, though libpng takes
// it for a warning; pixel data going on past the last row is left uninflated.
TEST(Png, PixelDataMustCoverTheRowsAndMayGoOnPastThem) {
    QImage solid(40, 30, QImage::Format_ARGB32);
    solid.fill(qRgba(10, 20, 30, 200));
    const Bytes file = pngFile(solid);
    const std::size_t idat = kAfterHeader;
    const std::uint32_t length = static_cast<std::uint32_t>(file[idat]) << 24 |
                                 file[idat + 1] << 16 | file[idat + 2] << 8 | file[idat + 3];
    const Bytes end(file.begin() + static_cast<std::ptrdiff_t>(idat + 12 + length), file.end());
    const auto withPixelData = [&](const Bytes& data) {
        Bytes out(file.begin(), file.begin() + idat);
        const Bytes pixels = chunk("IDAT", data);
        out.insert(out.end(), pixels.begin(), pixels.end());
        out.insert(out.end(), end.begin(), end.end());
        return out;
    };
    const auto deflated = [](const Bytes& raw) {
        uLongf size = compressBound(static_cast<uLong>(raw.size()));
        Bytes packed(size);
        compress2(packed.data(), &size, raw.data(), raw.size(), 9);
        packed.resize(size);
        return packed;
    };
    constexpr std::size_t kRowBytes = 1 + 40 * 4;  // filter byte, RGBA
    Bytes rows;
    for (int y = 0; y < 30; ++y) {
        rows.push_back(0);
        for (int x = 0; x < 40; ++x) {
            rows.insert(rows.end(), {10, 20, 30, 200});
        }
    }
    const Bytes short_(rows.begin(), rows.end() - kRowBytes);
    EXPECT_TRUE(
        raises<EInvalidGraphic>([&] { decoded(withPixelData(deflated(short_))); }, kInvalid));
    Bytes longer = rows;
    longer.resize(rows.size() + (64 << 20), 0);  // 64 MiB past the rows
    EXPECT_EQ(decoded(withPixelData(deflated(longer))), premultiplied(solid));
}

TEST(Png, LoadsThroughTheFileFormatTableInAnyLetterCase) {
    test::TempFolder folder;
    const Bytes file = goodFile();
    for (const char* name : {"a.png", "b.PNG", "c.Png"}) {
        folder.write(name, std::string(file.begin(), file.end()));
        TPicture picture;
        picture.loadFromFile(folder.file(name));
        ASSERT_NE(dynamic_cast<TPngImage*>(picture.graphic()), nullptr) << name;
        EXPECT_EQ(picture.width(), kSize.width());
        EXPECT_EQ(picture.height(), kSize.height());
    }
    folder.write("bad.png", "GIF89a");
    TPicture picture;
    EXPECT_TRUE(
        raises<EInvalidGraphic>([&] { picture.loadFromFile(folder.file("bad.png")); }, kInvalid));
}

}  // namespace
}  // namespace vestura

namespace vestura::test {
namespace {

// The writer's files read back as the pictures they were made from, through libpng's own
// reader, with and without alpha, at widths that are not a multiple of anything.
TEST(PngWriter, FilesReadBackAsThePictureWithOrWithoutAlpha) {
    QImage opaque(37, 19, QImage::Format_RGB32);
    QImage clear(37, 19, QImage::Format_ARGB32);
    for (int y = 0; y < 19; ++y) {
        for (int x = 0; x < 37; ++x) {
            opaque.setPixel(x, y, qRgb(x * 7, y * 13, (x * y) & 0xFF));
            clear.setPixel(x, y, qRgba(x * 7, y * 13, (x * y) & 0xFF, (x + y) * 4));
        }
    }
    for (const QImage& picture : {opaque, clear}) {
        const Bytes file = encodePng(picture);
        const QImage back = decodePng(file);
        ASSERT_EQ(back.size(), picture.size());
        constexpr std::size_t kColourType = 25;  // in the header chunk: 2 RGB, 6 RGB and alpha
        EXPECT_EQ(file.at(kColourType), picture.hasAlphaChannel() ? 6 : 2);
        EXPECT_EQ(back.convertToFormat(QImage::Format_ARGB32), picture.convertToFormat(QImage::Format_ARGB32));
    }
    // A premultiplied picture is written as the colours it shows.
    const QImage premultiplied = clear.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(decodePng(encodePng(premultiplied)).convertToFormat(QImage::Format_ARGB32),
              premultiplied.convertToFormat(QImage::Format_ARGB32));
}

}  // namespace
}  // namespace vestura::test
