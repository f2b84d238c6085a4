// The skin file: where it goes, its bytes, and how it replaces or keeps an existing skin.
#include "skin/skin_export.h"

#include <gtest/gtest.h>
#include <filesystem>
#include <set>

#include "common/errors.h"
#include "tests/support/full_disk.h"
#include "tests/support/temp_folder.h"

namespace vestura {
namespace {

using test::TempFolder;

constexpr std::size_t kSkinFileSize = 197686;
constexpr std::size_t kPixelOffset = 1078;

std::uint32_t u32At(const std::string& file, std::size_t offset) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = value << 8 | static_cast<std::uint8_t>(file[offset + static_cast<std::size_t>(i)]);
    }
    return value;
}

int filesIn(const std::string& folder) {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) {
        ++count;
    }
    return count;
}

// White, with a red top row and a bottom-left pixel of its own.
QImage redTopSkin() {
    QImage skin(256, 256, QImage::Format_RGB32);
    skin.fill(Qt::white);
    for (int x = 0; x < 256; ++x) {
        skin.setPixel(x, 0, qRgb(255, 0, 0));
    }
    skin.setPixel(0, 255, qRgb(1, 2, 3));
    return skin;
}

// Where Save writes: an existing skins folder in any letter case; a new one only beside the
// game itself; without the game, the plain concatenation the write then fails on.
TEST(SkinsFolderForSave, FindsOrMakesTheSkinsFolderOnlyBesideTheGame) {
    EXPECT_EQ(skinsFolderForSave("/no/such/game/"), "/no/such/game/skins/");
    EXPECT_EQ(skinsFolderForSave("/no/such/game"), "/no/such/gameskins/");

    TempFolder noGame;
    EXPECT_EQ(skinsFolderForSave(noGame.path()), noGame.path() + "skins/");
    EXPECT_FALSE(std::filesystem::exists(noGame.file("skins")));

    TempFolder game;
    game.write("GTA-VC.EXE", "MZ");
    EXPECT_EQ(skinsFolderForSave(game.path()), game.path() + "skins/");
    EXPECT_TRUE(std::filesystem::is_directory(game.file("skins")));

    TempFolder capitalised;
    capitalised.write("gta-vc.exe", "MZ");
    std::filesystem::create_directory(capitalised.file("Skins"));
    EXPECT_EQ(skinsFolderForSave(capitalised.path()), capitalised.path() + "Skins/");
    EXPECT_FALSE(std::filesystem::exists(capitalised.file("skins")));
}

TEST(SkinColorTable, Holds256DifferentColors) {
    const std::set<QRgb> distinct(kSkinColorTable.begin(), kSkinColorTable.end());
    EXPECT_EQ(distinct.size(), 256u);
}

TEST(WriteSkinFile, WritesHeadersTheColorTableAndTheBottomRowFirst) {
    TempFolder folder;
    writeSkinFile(folder.file("Blue.bmp"), redTopSkin());
    const std::string file = folder.read("Blue.bmp");
    ASSERT_EQ(file.size(), kSkinFileSize);
    EXPECT_EQ(file.substr(0, 2), "BM");
    EXPECT_EQ(u32At(file, 2), kSkinFileSize);
    EXPECT_EQ(u32At(file, 10), kPixelOffset);
    EXPECT_EQ(u32At(file, 18), 256u);  // width
    EXPECT_EQ(u32At(file, 22), 256u);  // height, positive: bottom-up
    EXPECT_EQ(u32At(file, 46), 256u);  // colours used
    for (std::size_t i = 0; i < kSkinColorTable.size(); ++i) {
        const QRgb color = kSkinColorTable[i];
        const std::string entry{static_cast<char>(qBlue(color)), static_cast<char>(qGreen(color)),
                                static_cast<char>(qRed(color)), '\0'};
        ASSERT_EQ(file.substr(54 + 4 * i, 4), entry) << "entry " << i;
    }
    EXPECT_EQ(file.substr(kPixelOffset, 3), "\x03\x02\x01");  // the bottom-left pixel
    std::string redRow;
    for (int x = 0; x < 256; ++x) {
        redRow += std::string("\0\0\xFF", 3);
    }
    EXPECT_EQ(file.substr(kSkinFileSize - 768), redRow);
    EXPECT_EQ(file.substr(kSkinFileSize - 1536, 768), std::string(768, '\xFF'));
}

TEST(WriteSkinFile, ReplacingALargerFileLeavesExactlyTheNewSize) {
    TempFolder folder;
    folder.write("Blue.bmp", std::string(300000, 'x'));
    writeSkinFile(folder.file("Blue.bmp"), redTopSkin());
    EXPECT_EQ(folder.read("Blue.bmp").size(), kSkinFileSize);
    EXPECT_EQ(filesIn(folder.path()), 1);
}

TEST(WriteSkinFile, AMissingSkinsFolderCreatesNothing) {
    TempFolder game;
    const std::string path = skinsFolderForSave(game.path()) + "Blue.bmp";
    try {
        writeSkinFile(path, redTopSkin());
        ADD_FAILURE() << "no failure";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.message(), "Cannot create file " + path);
    }
    EXPECT_EQ(filesIn(game.path()), 0);
}

// A full disk, made real without root: the child may not write files larger than the
// headers, and SIGXFSZ is ignored so the pixel write comes back short instead of killing it.
TEST(WriteSkinFile, AFullDiskKeepsTheOldSkinAndLeavesNoTemporaryFile) {
    TempFolder folder;
    const std::string oldSkin(kSkinFileSize, 'o');
    folder.write("Blue.bmp", oldSkin);
    const QImage skin = redTopSkin();
    EXPECT_TRUE(test::failsWithStreamWriteErrorOnFullDisk(
        [&] { writeSkinFile(folder.file("Blue.bmp"), skin); }, 100000));
    EXPECT_TRUE(folder.read("Blue.bmp") == oldSkin);
    EXPECT_EQ(filesIn(folder.path()), 1);
}

}  // namespace
}  // namespace vestura
