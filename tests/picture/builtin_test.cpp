// The built-in pictures: the exact file forms the window and the skin export rely on.
#include "picture/builtin.h"

#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>

#include "common/errors.h"

namespace vestura {
namespace {

std::uint32_t u16(const Bytes& b, std::size_t at) {
    return b.at(at) | (b.at(at + 1) << 8);
}
std::uint32_t u32(const Bytes& b, std::size_t at) {
    return u16(b, at) | (u16(b, at + 2) << 16);
}
std::int32_t i32(const Bytes& b, std::size_t at) {
    return static_cast<std::int32_t>(u32(b, at));
}

struct BmpForm {
    const char* name;
    BuiltinPicture which;
    std::size_t fileSize;
    std::int32_t width;
    std::int32_t height;  // positive: rows stored bottom-up
    std::uint32_t bitsPerPixel;
    std::int32_t pelsPerMeter;
    std::uint32_t colorsUsed;
    std::uint32_t pixelOffset;
};

class BuiltinBmpTest : public testing::TestWithParam<BmpForm> {};

TEST_P(BuiltinBmpTest, HeaderFieldsMatchTheFixedForm) {
    const BmpForm& form = GetParam();
    const Bytes file = builtinPictureFile(form.which);
    ASSERT_EQ(file.size(), form.fileSize);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(u32(file, 2), form.fileSize);  // bfSize
    EXPECT_EQ(u32(file, 10), form.pixelOffset);
    EXPECT_EQ(u32(file, 14), 40u);  // information header
    EXPECT_EQ(i32(file, 18), form.width);
    EXPECT_EQ(i32(file, 22), form.height);
    EXPECT_EQ(u16(file, 26), 1u);  // planes
    EXPECT_EQ(u16(file, 28), form.bitsPerPixel);
    EXPECT_EQ(u32(file, 30), 0u);  // no compression
    EXPECT_EQ(i32(file, 38), form.pelsPerMeter);
    EXPECT_EQ(i32(file, 42), form.pelsPerMeter);
    EXPECT_EQ(u32(file, 46), form.colorsUsed);
    EXPECT_EQ(u32(file, 50), form.colorsUsed);  // colours important
    // The pixels follow the colour table directly and fill the rest of the file exactly.
    EXPECT_EQ(form.pixelOffset, 54 + 4 * form.colorsUsed);
    const std::size_t rowBytes = ((form.width * form.bitsPerPixel + 31) / 32) * 4;
    EXPECT_EQ(form.fileSize, form.pixelOffset + rowBytes * form.height);
}

INSTANTIATE_TEST_SUITE_P(Forms, BuiltinBmpTest,
                         testing::Values(BmpForm{"BaseSkin", BuiltinPicture::BaseSkin, 66610, 256,
                                                 256, 8, 2834, 255, 1074},
                                         BmpForm{"Background", BuiltinPicture::Background, 394806,
                                                 512, 257, 24, 3780, 0, 54}),
                         [](const testing::TestParamInfo<BmpForm>& info) {
                             return std::string(info.param.name);
                         });

TEST(BuiltinBaseSkin, PixelsUseOnlyTheColourTablesEntries) {
    const Bytes file = builtinPictureFile(BuiltinPicture::BaseSkin);
    const auto pixels = file.begin() + u32(file, 10);
    EXPECT_LE(*std::max_element(pixels, file.end()), 254);
}

TEST(BuiltinBaseSkin, HasColourAndShading) {
    // A flat or blank texture would make every preview look broken.
    const Bytes file = builtinPictureFile(BuiltinPicture::BaseSkin);
    std::vector<bool> used(256, false);
    for (auto it = file.begin() + u32(file, 10); it != file.end(); ++it) {
        used[*it] = true;
    }
    EXPECT_GT(std::count(used.begin(), used.end(), true), 200);
}

TEST(BuiltinProgramIcon, IsOne32x32EntryOf256ColoursWithAndMask) {
    const Bytes file = builtinPictureFile(BuiltinPicture::ProgramIcon);
    constexpr std::size_t kDirectory = 6 + 16;
    constexpr std::size_t kDib = 40 + 256 * 4 + 32 * 32 + 32 * 4;  // header, table, XOR, AND
    ASSERT_EQ(file.size(), kDirectory + kDib);
    EXPECT_EQ(u16(file, 0), 0u);  // reserved
    EXPECT_EQ(u16(file, 2), 1u);  // icon
    EXPECT_EQ(u16(file, 4), 1u);  // one entry
    EXPECT_EQ(file[6], 32);       // width
    EXPECT_EQ(file[7], 32);       // height
    EXPECT_EQ(file[8], 0);        // 256 colours
    EXPECT_EQ(u16(file, 10), 1u);
    EXPECT_EQ(u16(file, 12), 8u);
    EXPECT_EQ(u32(file, 14), kDib);
    EXPECT_EQ(u32(file, 18), kDirectory);
    EXPECT_EQ(u32(file, 22), 40u);
    EXPECT_EQ(i32(file, 26), 32);
    EXPECT_EQ(i32(file, 30), 64);  // XOR image and AND mask together
    EXPECT_EQ(u16(file, 36), 8u);
    // Some of the mask is see-through and some is not.
    const auto mask = file.begin() + static_cast<std::ptrdiff_t>(kDirectory + kDib - 128);
    EXPECT_TRUE(std::any_of(mask, file.end(), [](std::uint8_t b) { return b != 0; }));
    EXPECT_TRUE(std::any_of(mask, file.end(), [](std::uint8_t b) { return b != 0xFF; }));
}

TEST(BuiltinBackground, EveryPixelIsALightSkyBlue) {
    // The light-blue controls (#9BCDFF, #8CC6FF) sit on it: no pixel may be dark, and blue
    // leads green, which leads red, everywhere.
    const Bytes file = builtinPictureFile(BuiltinPicture::Background);
    for (std::size_t at = u32(file, 10); at + 2 < file.size(); at += 3) {
        const int blue = file[at], green = file[at + 1], red = file[at + 2];
        ASSERT_GE(blue, 0xC8) << "at byte " << at;
        ASSERT_TRUE(red <= green && green <= blue) << "at byte " << at;
    }
}

TEST(BuiltinProgramIcon, QtIconReaderShowsAShapeOnATransparentGround) {
    const Bytes file = builtinPictureFile(BuiltinPicture::ProgramIcon);
    const QImage icon = QImage::fromData(reinterpret_cast<const uchar*>(file.data()),
                                         static_cast<int>(file.size()), "ICO")
                            .convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(icon.size(), QSize(32, 32));
    EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(icon.pixel(16, 16)), 255);
}

TEST_P(BuiltinBmpTest, LoadsThroughTheBmpReaderAtItsSize) {
    const BmpForm& form = GetParam();
    const std::unique_ptr<TBitmap> bitmap = loadBuiltinBitmap(form.which);
    EXPECT_EQ(bitmap->width(), form.width);
    EXPECT_EQ(bitmap->height(), form.height);
    EXPECT_EQ(bitmap->info().bitsPerPixel, static_cast<int>(form.bitsPerPixel));
    EXPECT_EQ(bitmap->info().colorsUsed, form.colorsUsed);
    EXPECT_EQ(bitmap->info().xPelsPerMeter, form.pelsPerMeter);
}

TEST(LoadBuiltinBitmap, BaseSkinRowsComeOutUpright) {
    // The file is bottom-up: its last pixel row is the skin's top row. The top-left corner
    // is the white sock of the shoes, the bottom-left corner the trouser hem.
    const std::unique_ptr<TBitmap> skin = loadBuiltinBitmap(BuiltinPicture::BaseSkin);
    const QRgb sock = skin->image().pixel(2, 2);
    const QRgb hem = skin->image().pixel(2, 253);
    EXPECT_GT(qGray(sock), 200);
    EXPECT_LT(qGray(hem), 150);
}

// The pictures are decoded where the program holds them, so they must be the committed
// files byte for byte, and stay put between calls.
TEST(BuiltinPictureBytes, AreTheCommittedFilesHeldInOnePlace) {
    const std::pair<BuiltinPicture, const char*> pictures[] = {
        {BuiltinPicture::BaseSkin, "base_skin.bmp"},
        {BuiltinPicture::Background, "background.bmp"},
        {BuiltinPicture::ProgramIcon, "vestura.ico"}};
    for (const auto& [which, name] : pictures) {
        std::ifstream in(std::string(VESTURA_ASSETS_DIR) + name, std::ios::binary);
        const Bytes committed{std::istreambuf_iterator<char>(in), {}};
        ASSERT_FALSE(committed.empty()) << name;
        const ByteView held = builtinPictureBytes(which);
        EXPECT_TRUE(std::equal(held.begin(), held.end(), committed.begin(), committed.end()))
            << name;
        EXPECT_EQ(builtinPictureBytes(which).data(), held.data()) << name;
        EXPECT_EQ(builtinPictureFile(which), committed) << name;
    }
}

TEST(LoadBuiltinBitmap, ProgramIconIsNoBitmap) {
    EXPECT_THROW(loadBuiltinBitmap(BuiltinPicture::ProgramIcon), EInvalidGraphic);
}

}  // namespace
}  // namespace vestura
