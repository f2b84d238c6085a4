// The picture loader: choosing the reader by extension, the failures of a load, and what a
// failed load leaves behind.
#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>

#include "common/errors.h"
#include "picture/bmp/bitmap.h"
#include "picture/file_formats.h"
#include "picture/limits.h"
#include "picture/picture.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/png_builder.h"
#include "tests/support/raises.h"
#include "tests/support/temp_folder.h"
#include "tests/support/tga_builder.h"

namespace vestura {
namespace {

using test::raises;
using test::TempFolder;

std::string asText(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

std::string bitmapFile(int width, int height) {
    return asText(test::BmpBuilder()
                      .size(width, height)
                      .bitsPerPixel(24)
                      .pixelData(Bytes(static_cast<std::size_t>((width * 3 + 3) / 4 * 4 * height)))
                      .build());
}

// A container that counts its notifications.
struct WatchedPicture {
    WatchedPicture() {
        picture.setOnChange([this] { ++notified; });
    }
    TPicture picture;
    int notified = 0;
};

class BitmapExtension : public ::testing::TestWithParam<const char*> {};

TEST_P(BitmapExtension, ChoosesTheBitmapReaderInAnyLetterCase) {
    TempFolder folder;
    const std::string name = std::string("part.") + GetParam();
    folder.write(name, bitmapFile(3, 2));
    WatchedPicture watched;
    watched.picture.loadFromFile(folder.file(name));
    EXPECT_NE(dynamic_cast<TBitmap*>(watched.picture.graphic()), nullptr);
    EXPECT_EQ(watched.picture.width(), 3);
    EXPECT_EQ(watched.picture.height(), 2);
    EXPECT_EQ(watched.notified, 1);
}

INSTANTIATE_TEST_SUITE_P(Loader, BitmapExtension, ::testing::Values("bmp", "BMP", "Bmp"));

struct UnknownCase {
    const char* name;
    std::string path;
    std::string extension;  // as the message shows it
};

void PrintTo(const UnknownCase& c, std::ostream* out) {
    *out << c.name;
}

class UnknownExtension : public ::testing::TestWithParam<UnknownCase> {};

TEST_P(UnknownExtension, FailsWithoutOpeningTheFile) {
    const std::string message = "Unknown picture file extension (." + GetParam().extension + ")";
    WatchedPicture watched;
    EXPECT_TRUE(
        raises<EInvalidGraphic>([&] { watched.picture.loadFromFile(GetParam().path); }, message));
    EXPECT_EQ(watched.notified, 0);
    EXPECT_EQ(TPicture::unknownExtensionMessage(GetParam().path), message);
}

TEST(Loader, KnownExtensionsInAnyCaseHaveNoRefusalMessage) {
    for (const char* path :
         {"a.bmp", "A.BMP", "x/b.Jpeg", "c.jpg", "d.ICO", "e.wmf", "f.emf", "g.png", "h.TGA"}) {
        EXPECT_EQ(TPicture::unknownExtensionMessage(path), "") << path;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Loader, UnknownExtension,
    ::testing::Values(UnknownCase{"Webp", "/no/such/folder/shirt.webp", "webp"},
                      UnknownCase{"Gif", "/no/such/folder/shirt.gif", "gif"},
                      UnknownCase{"Jpe", "/no/such/folder/shirt.jpe", "jpe"},
                      UnknownCase{"UpperCaseGifKeepsItsCase", "/no/such/shirt.GIF", "GIF"},
                      UnknownCase{"PathEndingInASeparator", "/no/such/folder/", ""},
                      UnknownCase{"NameWithoutADot", "/no/such/folder/shirt", ""},
                      UnknownCase{"DotOnlyInAFolderName", "/no/such/set.2/shirt", ""},
                      UnknownCase{"TrailingDot", "/no/such/shirt.", ""},
                      UnknownCase{"EmptyPath", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Loader, MissingBitmapFailsWithTheFullPath) {
    TempFolder folder;
    const std::string path = folder.file("missing.bmp");
    WatchedPicture watched;
    EXPECT_TRUE(raises<EFOpenError>([&] { watched.picture.loadFromFile(path); },
                                    "Cannot open file " + path));
    EXPECT_EQ(watched.notified, 0);
}

TEST(Loader, ZeroByteBitmapLoadsAsAnEmptyPicture) {
    TempFolder folder;
    folder.write("empty.bmp", "");
    WatchedPicture watched;
    watched.picture.loadFromFile(folder.file("empty.bmp"));
    ASSERT_NE(watched.picture.graphic(), nullptr);
    EXPECT_TRUE(watched.picture.graphic()->empty());
    EXPECT_EQ(watched.picture.width(), 0);
    EXPECT_EQ(watched.picture.height(), 0);
    EXPECT_EQ(watched.notified, 1);
}

TEST(Loader, JpegDataNamedBmpIsNotAValidBitmap) {
    TempFolder folder;
    folder.write("photo.bmp", asText({0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0x00,
                                      0x01, 0x01, 0x00, 0x00, 0x01}));
    TPicture picture;
    EXPECT_TRUE(raises<EInvalidGraphic>([&] { picture.loadFromFile(folder.file("photo.bmp")); },
                                        "Bitmap image is not valid"));
}

TEST(Loader, FailedLoadKeepsTheOldPictureAndDoesNotNotify) {
    TempFolder folder;
    folder.write("good.bmp", bitmapFile(5, 4));
    folder.write("bad.bmp", "BA not a bitmap at all");
    folder.write("short.bmp", "BM");
    WatchedPicture watched;
    watched.picture.loadFromFile(folder.file("good.bmp"));
    TGraphic* const old = watched.picture.graphic();
    for (const std::string name : {"bad.bmp", "short.bmp", "missing.bmp", "shirt.gif"}) {
        EXPECT_THROW(watched.picture.loadFromFile(folder.file(name)), Exception) << name;
        EXPECT_EQ(watched.picture.graphic(), old) << name;
        EXPECT_EQ(watched.picture.width(), 5) << name;
    }
    EXPECT_EQ(watched.notified, 1);
}

TEST(Loader, PictureKeepsItsPixelsWhenTheFileChangesAfterwards) {
    TempFolder folder;
    folder.write("part.bmp", bitmapFile(2, 2));
    TPicture picture;
    picture.loadFromFile(folder.file("part.bmp"));
    folder.write("part.bmp", "");
    EXPECT_EQ(picture.width(), 2);
}

// A PNG or TGA file is held whole while its picture is built, so one longer than the largest
// picture the limits admit can need (here a small picture padded with zeros, as a sparse
// file) is refused with its kind's message; at the bound it still loads. A bitmap keeps the
// larger bound of every other kind.
TEST(Loader, PngAndTgaFilesLargerThanTheirLargestPictureAreRefused) {
    TempFolder folder;
    QImage small(3, 2, QImage::Format_ARGB32);
    small.fill(qRgba(10, 20, 30, 128));
    const struct {
        const char* name;
        Bytes file;
        std::string_view invalid;
    } kinds[] = {{"a.png", test::pngFile(small), "PNG image is not valid"},
                 {"a.tga", test::tgaFile(small), "TGA image is not valid"},
                 {"a.bmp", test::BmpBuilder().size(3, 2).bitsPerPixel(24).pixelData(Bytes(24)).build(),
                  ""}};
    const auto padded = [&](const char* name, const Bytes& file, std::int64_t size) {
        folder.write(name, asText(file));
        std::filesystem::resize_file(folder.file(name), static_cast<std::uintmax_t>(size));
        return folder.file(name);
    };
    for (const auto& kind : kinds) {
        TPicture picture;
        picture.loadFromFile(padded(kind.name, kind.file, limits::kMaxAlphaFileBytes));
        EXPECT_EQ(picture.width(), 3) << kind.name;
        const std::string over = padded(kind.name, kind.file, limits::kMaxAlphaFileBytes + 1);
        if (kind.invalid.empty()) {
            EXPECT_NO_THROW(picture.loadFromFile(over)) << kind.name;
        } else {
            EXPECT_TRUE(
                raises<EInvalidGraphic>([&] { picture.loadFromFile(over); }, kind.invalid));
        }
    }
}

TEST(FileFormats, BitmapEntryIsFoundInAnyLetterCase) {
    for (const char* extension : {"bmp", "BMP", "bMp"}) {
        const TFileFormatsList::Entry* entry = fileFormats().find(extension);
        ASSERT_NE(entry, nullptr) << extension;
        EXPECT_EQ(entry->extension, "bmp");
        EXPECT_EQ(entry->description, "Bitmaps");
    }
    EXPECT_EQ(fileFormats().find("gif"), nullptr);
}

TEST(FileFormats, LaterEntryWinsOverAnEarlierOneWithTheSameExtension) {
    TFileFormatsList list;
    list.add("BMP", "first", nullptr);
    list.add("bmp", "second", nullptr);
    EXPECT_EQ(list.entries().front().extension, "bmp");
    EXPECT_EQ(list.find("Bmp")->description, "second");
}

TEST(PictureExtension, IsTheTextAfterTheLastDotOfTheFileName) {
    EXPECT_EQ(pictureExtension("/a/b/shirt.Bmp"), "Bmp");
    EXPECT_EQ(pictureExtension("/a/b/shirt.tar.gz"), "gz");
    EXPECT_EQ(pictureExtension("/a/set.2/shirt"), "");
    EXPECT_EQ(pictureExtension("/a/set.2/"), "");
    EXPECT_EQ(pictureExtension("shirt"), "");
}

}  // namespace
}  // namespace vestura
