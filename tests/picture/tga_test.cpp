// TTgaImage: true colour, colour-mapped and grey, stored and run-length, from every origin,
// decode to the stored pixels with the descriptor's alpha, or with alpha bytes the
// descriptor does not claim when any is not 0; damaged and oversized files are not valid.
#include <gtest/gtest.h>

#include "common/errors.h"
#include "picture/picture.h"
#include "picture/tga/tga_image.h"
#include "tests/support/raises.h"
#include "tests/support/temp_folder.h"
#include "tests/support/tga_builder.h"

namespace vestura {
namespace {

using test::raises;
using test::tgaFile;
using test::TgaForm;

constexpr std::string_view kInvalid = "TGA image is not valid";

// 9 x 4: the two bottom rows one colour (runs that carry on into the next row), the others
// all different, alpha taking four values.
QImage testPicture() {
    constexpr int kAlphas[] = {255, 0, 200, 37};
    QImage picture(9, 4, QImage::Format_ARGB32);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb c =
                y >= 2 ? qRgba(132, 66, 255, 200)
                       : qRgba(x * 28, 255 - y * 60, (x * y * 40) % 256, kAlphas[(x + y) % 4]);
            picture.setPixel(x, y, c);
        }
    }
    return picture;
}

std::uint8_t fiveBits(int v) {
    return static_cast<std::uint8_t>((v >> 3) << 3 | (v >> 3) >> 2);
}

// What a form keeps of `picture`, premultiplied as the picture holds it. Whole alpha bytes
// (32-bit true colour, 16-bit grey) are kept whatever the descriptor says, as for a picture
// whose alphas are not all 0.
QImage expected(QImage picture, const TgaForm& form) {
    const int bits = form.imageType == 1 ? form.mapEntryBits : form.pixelBits;
    const bool alphaByte =
        (form.imageType == 2 && bits == 32) || (form.imageType == 3 && bits == 16);
    const bool alpha =
        alphaByte || (form.alphaBits != 0 && form.imageType != 3 && bits != 15 && bits != 24);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb p = picture.pixel(x, y);
            int r = qRed(p), g = qGreen(p), b = qBlue(p), a = qAlpha(p);
            if (form.imageType == 3) {
                g = b = r;
            } else if (bits <= 16) {
                r = fiveBits(r), g = fiveBits(g), b = fiveBits(b);
                a = a >= 128 ? 255 : 0;
            }
            picture.setPixel(x, y, qRgba(r, g, b, alpha ? a : 255));
        }
    }
    return picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QImage decoded(const Bytes& file) {
    TTgaImage tga;
    tga.loadFromBytes(file);
    return tga.image();
}

struct FormCase {
    const char* name;
    TgaForm form;
};

void PrintTo(const FormCase& c, std::ostream* out) {
    *out << c.name;
}

class TgaForms : public ::testing::TestWithParam<FormCase> {};

TEST_P(TgaForms, DecodeToTheStoredPixelsFromEveryOriginStoredOrRunLength) {
    const QImage picture = testPicture();
    for (const bool runLength : {false, true}) {
        for (const bool topDown : {false, true}) {
            for (const bool rightToLeft : {false, true}) {
                TgaForm form = GetParam().form;
                form.runLength = runLength;
                form.topDown = topDown;
                form.rightToLeft = rightToLeft;
                EXPECT_EQ(decoded(tgaFile(picture, form)), expected(picture, form))
                    << "run-length " << runLength << ", top-down " << topDown << ", right-to-left "
                    << rightToLeft;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Tga, TgaForms,
    ::testing::Values(FormCase{"TrueColour32WithAlpha", {2, 32, 0, 8}},
                      FormCase{"TrueColour32AlphaBytesWithoutAlphaBits", {2, 32, 0, 0}},
                      FormCase{"TrueColour24", {2, 24, 0, 0}},
                      FormCase{"TrueColour16WithAlphaBit", {2, 16, 0, 1}},
                      FormCase{"TrueColour16NoAlphaBits", {2, 16, 0, 0}},
                      FormCase{"TrueColour15", {2, 15, 0, 0}},
                      FormCase{"ColourMapped24", {1, 8, 24, 0}},
                      FormCase{"ColourMapped32WithAlpha", {1, 8, 32, 8}},
                      FormCase{"ColourMapped16WithAlphaBit", {1, 8, 16, 1}},
                      FormCase{"Grey8", {3, 8, 0, 0}}, FormCase{"Grey16WithAlpha", {3, 16, 0, 8}},
                      FormCase{"Grey16AlphaBytesWithoutAlphaBits", {3, 16, 0, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

constexpr std::size_t kHeaderBytes = 18;

QImage withAlpha(QImage picture, int alpha) {
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb c = picture.pixel(x, y);
            picture.setPixel(x, y, qRgba(qRed(c), qGreen(c), qBlue(c), alpha));
        }
    }
    return picture;
}

// Alpha bytes the descriptor does not claim are alpha when any one of them is not 0 (only the
// bottom right pixel's, here), and absent when all are 0; claimed ones are alpha even when 0.
TEST(Tga, AlphaBytesAllZeroAreAbsentUnlessTheDescriptorClaimsThem) {
    const QImage clear = withAlpha(testPicture(), 0);
    QImage oneSet = clear;
    oneSet.setPixel(8, 3, qRgba(1, 2, 3, 90));
    const struct {
        const char* name;
        TgaForm form;
        QImage picture, shown;
    } cases[] = {
        {"32-bit, all 0, no alpha bits", {2, 32, 0, 0, true}, clear, withAlpha(clear, 255)},
        {"16-bit grey, all 0, no alpha bits", {3, 16, 0, 0}, clear, withAlpha(clear, 255)},
        {"32-bit, all 0, alpha bits", {2, 32, 0, 8}, clear, clear},
        {"16-bit grey, all 0, alpha bits", {3, 16, 0, 8, true}, clear, clear},
        {"32-bit, one not 0, no alpha bits", {2, 32, 0, 0}, oneSet, oneSet},
        {"16-bit grey, one not 0, no alpha bits", {3, 16, 0, 0, true}, oneSet, oneSet},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(decoded(tgaFile(c.picture, c.form)), expected(c.shown, c.form)) << c.name;
    }
}

TEST(Tga, DamagedOrUnsupportedFilesAreNotValid) {
    const QImage picture = testPicture();
    const Bytes stored = tgaFile(picture);
    const Bytes packed = tgaFile(picture, {2, 32, 0, 8, true});
    const auto changed = [&](std::size_t at, std::uint8_t value) {
        Bytes file = stored;
        file[at] = value;
        return file;
    };
    const struct {
        const char* name;
        Bytes file;
    } cases[] = {
        {"empty", {}},
        {"cut inside the header", Bytes(stored.begin(), stored.begin() + 17)},
        {"cut inside the stored pixels", Bytes(stored.begin(), stored.end() - 1)},
        {"cut inside the packets", Bytes(packed.begin(), packed.end() - 1)},
        {"no image data (type 0)", changed(2, 0)},
        {"unknown type", changed(2, 32)},
        {"8-bit true colour", changed(16, 8)},
        {"colour-mapped without a map", changed(2, 1)},
        {"colour map type 2", changed(1, 2)},
        {"interleaved rows", changed(17, 0x48)},
        {"image id past the end", changed(0, 255)},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(raises<EInvalidGraphic>([&] { decoded(c.file); }, kInvalid)) << c.name;
    }
}

TEST(Tga, SizesBeyondTheLimitsAreRefusedFromTheHeader) {
    for (const auto& [width, height] :
         {std::pair{65535, 65535}, std::pair{8193, 1}, std::pair{4096, 4096}}) {
        Bytes file = tgaFile(testPicture(), {2, 32, 0, 8, true});
        file[12] = static_cast<std::uint8_t>(width),
        file[13] = static_cast<std::uint8_t>(width >> 8);
        file[14] = static_cast<std::uint8_t>(height),
        file[15] = static_cast<std::uint8_t>(height >> 8);
        EXPECT_TRUE(raises<EInvalidGraphic>([&] { decoded(file); }, kInvalid))
            << width << " x " << height;
    }
}

// A run longer than what is left of the picture ends at its last pixel; an index outside
// the colour map draws opaque black; a 0-pixel side is the empty picture.
TEST(Tga, RunsStopAtTheLastPixelAndIndexesOutsideTheMapAreBlack) {
    QImage one(3, 1, QImage::Format_ARGB32);
    one.fill(qRgb(10, 20, 30));
    Bytes file = tgaFile(one, {2, 24, 0, 0, true});
    file[kHeaderBytes] = 0x80 | 127;  // one run of 128 pixels
    EXPECT_EQ(decoded(file), expected(one, {2, 24, 0, 0}));

    Bytes mapped = tgaFile(one, {1, 8, 24, 0});
    mapped.back() = 5;  // the map holds one colour
    QImage black = one;
    black.setPixel(2, 0, qRgb(0, 0, 0));
    EXPECT_EQ(decoded(mapped), expected(black, {1, 8, 24, 0}));

    Bytes empty = tgaFile(one);
    empty[12] = 0;
    TTgaImage tga;
    tga.loadFromBytes(empty);
    EXPECT_TRUE(tga.empty());
}

TEST(Tga, LoadsThroughTheFileFormatTableInAnyLetterCase) {
    test::TempFolder folder;
    const Bytes file = tgaFile(testPicture());
    for (const char* name : {"a.tga", "b.TGA", "c.Tga"}) {
        folder.write(name, std::string(file.begin(), file.end()));
        TPicture picture;
        picture.loadFromFile(folder.file(name));
        ASSERT_NE(dynamic_cast<TTgaImage*>(picture.graphic()), nullptr) << name;
        EXPECT_EQ(picture.width(), 9);
        EXPECT_EQ(picture.height(), 4);
    }
    folder.write("bad.tga", "not a targa");
    TPicture picture;
    EXPECT_TRUE(
        raises<EInvalidGraphic>([&] { picture.loadFromFile(folder.file("bad.tga")); }, kInvalid));
}

}  // namespace
}  // namespace vestura
