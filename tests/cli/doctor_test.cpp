// vestura-cli doctor and games: the lines, the exit status, and --fix rewriting a skin as
// the very file Save writes.
#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>

#include "cli/commands.h"
#include "skin/skin_export.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/cli_run.h"
#include "tests/support/made_up_home.h"
#include "tests/support/temp_folder.h"

namespace vestura::cli {
namespace {

using test::BmpBuilder;
using test::TempFolder;

using test::runCli;
using Outcome = test::CliOutcome;

QRgb pattern(int x, int y) {
    return qRgb(x, y, (x * 3 + y) & 0xFF);
}

QImage patternImage(int side) {
    QImage image(side, side, QImage::Format_RGB32);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            image.setPixel(x, y, pattern(x, y));
        }
    }
    return image;
}

std::vector<Bytes> rows24(int side) {
    std::vector<Bytes> rows;
    for (int y = 0; y < side; ++y) {
        std::vector<QRgb> row;
        for (int x = 0; x < side; ++x) {
            row.push_back(pattern(x, y));
        }
        rows.push_back(test::pixels24(row));
    }
    return rows;
}

std::vector<Bytes> rows32(int side) {
    std::vector<Bytes> rows;
    for (int y = 0; y < side; ++y) {
        std::vector<std::uint32_t> row;
        for (int x = 0; x < side; ++x) {
            row.push_back(pattern(x, y) & 0xFFFFFF);
        }
        rows.push_back(test::pixels32(row));
    }
    return rows;
}

std::string asText(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// A game folder whose skins folder holds one file of every kind the doctor tells apart.
class DoctorTest : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directory(game.file("skins")); }
    void skin(const std::string& name, const Bytes& bytes) const {
        game.write("skins/" + name, asText(bytes));
    }
    std::string skinBytes(const std::string& name) const { return game.read("skins/" + name); }
    // The file Save writes for the pattern's pixels.
    std::string savedPattern() const {
        writeSkinFile(reference.file("saved.bmp"), patternImage(256));
        return reference.read("saved.bmp");
    }
    void writeEveryKind() const {
        writeSkinFile(game.file("skins/good.bmp"), patternImage(256));
        writeSkinFile(game.file("skins/UPPER.BMP"), patternImage(256));
        skin("thirtytwo.bmp",
             BmpBuilder().size(256, 256).bitsPerPixel(32).rows(rows32(256)).build());
        skin("topdown.bmp", BmpBuilder().size(256, 256).topDown().rows(rows24(256)).build());
        skin("v5.bmp",
             BmpBuilder().header(test::BmpHeaderKind::V5).size(256, 256).rows(rows24(256)).build());
        skin("rle.bmp", BmpBuilder()
                            .size(256, 256)
                            .bitsPerPixel(8)
                            .compression(1)
                            .colorTable({qRgb(10, 20, 30)})
                            .pixelData({0, 1})
                            .build());
        skin("small.bmp", BmpBuilder().size(128, 128).rows(rows24(128)).build());
        skin("small32.bmp", BmpBuilder().size(64, 64).bitsPerPixel(32).rows(rows32(64)).build());
        Bytes cut = BmpBuilder().size(256, 256).rows(rows24(256)).build();
        cut.resize(cut.size() / 2);
        skin("short.bmp", cut);
        game.write("skins/notbmp.bmp", "hello");
        writeSkinFile(game.file("skins/" + std::string(32, 'a') + ".bmp"), patternImage(256));
        writeSkinFile(game.file("skins/caf\xc3\xa9.bmp"), patternImage(256));
        std::filesystem::create_directory(game.file("skins/folder.bmp"));
        game.write("skins/readme.txt", "not a skin");
        game.write("skins/old.bmp.bak", "a backup");
    }
    Outcome doctor(std::vector<std::string> more = {}) const {
        std::vector<std::string> arguments{"doctor", "--game", game.path()};
        arguments.insert(arguments.end(), more.begin(), more.end());
        return runCli(arguments);
    }

    TempFolder game;
    TempFolder reference;
};

const std::string kLongName = std::string(32, 'a') + ".bmp";

TEST_F(DoctorTest, NamesWhatTheGameCannotReadInEveryFile) {
    writeEveryKind();
    const Outcome outcome = doctor();
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.out, "UPPER.BMP\tok\n" + kLongName +
                               "\tname longer than 31 characters\n"
                               "caf\xc3\xa9.bmp\tname not plain ASCII\n"
                               "folder.bmp\tnot a file\n"
                               "good.bmp\tok\n"
                               "notbmp.bmp\tnot a BMP file\n"
                               "rle.bmp\t8 bits per pixel; compressed (RLE8)\n"
                               "short.bmp\tfile cut short\n"
                               "small.bmp\t128 x 128, not 256 x 256\n"
                               "small32.bmp\t32 bits per pixel; 64 x 64, not 256 x 256\n"
                               "thirtytwo.bmp\t32 bits per pixel\n"
                               "topdown.bmp\tstored top-down\n"
                               "v5.bmp\tinformation header of 124 bytes, not 40\n");
    EXPECT_TRUE(outcome.err.empty());
}

TEST_F(DoctorTest, FixRewritesOnlyTheFormAsSaveWouldAndKeepsTheOriginal) {
    writeEveryKind();
    const std::string original32 = skinBytes("thirtytwo.bmp");
    const std::string small = skinBytes("small32.bmp");
    const Outcome outcome = doctor({"--fix"});
    EXPECT_EQ(outcome.status, 1);  // names, sizes and damage remain
    EXPECT_EQ(outcome.out, "UPPER.BMP\tok\n" + kLongName +
                               "\tname longer than 31 characters\n"
                               "caf\xc3\xa9.bmp\tname not plain ASCII\n"
                               "folder.bmp\tnot a file\n"
                               "good.bmp\tok\n"
                               "notbmp.bmp\tnot a BMP file\n"
                               "rle.bmp\tfixed\n"
                               "short.bmp\tfile cut short\n"
                               "small.bmp\t128 x 128, not 256 x 256\n"
                               "small32.bmp\t32 bits per pixel; 64 x 64, not 256 x 256\n"
                               "thirtytwo.bmp\tfixed\n"
                               "topdown.bmp\tfixed\n"
                               "v5.bmp\tfixed\n");
    const std::string saved = savedPattern();
    for (const char* name : {"thirtytwo.bmp", "topdown.bmp", "v5.bmp"}) {
        EXPECT_EQ(skinBytes(name), saved) << name;
    }
    QImage flat(256, 256, QImage::Format_RGB32);
    flat.fill(qRgb(10, 20, 30));
    writeSkinFile(reference.file("flat.bmp"), flat);
    EXPECT_EQ(skinBytes("rle.bmp"), reference.read("flat.bmp"));
    EXPECT_EQ(skinBytes("thirtytwo.bmp.bak"), original32);
    EXPECT_EQ(skinBytes("small32.bmp"), small);  // never resized
    EXPECT_FALSE(std::filesystem::exists(game.file("skins/small32.bmp.bak")));

    const Outcome again = doctor();
    EXPECT_NE(again.out.find("thirtytwo.bmp\tok\n"), std::string::npos);
    EXPECT_EQ(again.out.find(".bak"), std::string::npos);  // backups are not skins
}

TEST_F(DoctorTest, ExitsZeroOnceEveryFileIsOkOrFixed) {
    skin("topdown.bmp", BmpBuilder().size(256, 256).topDown().rows(rows24(256)).build());
    EXPECT_EQ(doctor().status, 1);
    EXPECT_EQ(doctor({"--fix"}).status, 0);
    const Outcome after = doctor();
    EXPECT_EQ(after.status, 0);
    EXPECT_EQ(after.out, "topdown.bmp\tok\n");
}

TEST_F(DoctorTest, AnEarlierBackupIsNeverOverwritten) {
    skin("topdown.bmp", BmpBuilder().size(256, 256).topDown().rows(rows24(256)).build());
    const std::string original = skinBytes("topdown.bmp");
    game.write("skins/topdown.bmp.bak", "older");
    const Outcome outcome = doctor({"--fix"});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.out,
              "topdown.bmp\tstored top-down; not fixed: topdown.bmp.bak is in the way\n");
    EXPECT_EQ(skinBytes("topdown.bmp"), original);
    EXPECT_EQ(skinBytes("topdown.bmp.bak"), "older");
}

TEST_F(DoctorTest, AnEmptySkinsFolderIsFine) {
    EXPECT_EQ(doctor().status, 0);
    EXPECT_EQ(doctor().out, "");
}

TEST(Doctor, MissingSkinsFolderIsAProblemNamingIt) {
    TempFolder game;
    std::string folder = game.path();
    folder.pop_back();  // --game takes the folder with or without its separator
    const Outcome outcome = runCli({"doctor", "--game", folder});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.out, game.path() + "skins/\tfolder not found\n");
}

TEST(Doctor, WithoutGameUsesTheGameFolderOfTheSettingsFile) {
    TempFolder program, game;
    std::filesystem::create_directory(game.file("Skins"));  // any letter case
    game.write("Skins/x.bmp", "junk");
    program.write("vestu.cfg", game.path() + "\r\nsecond line\r\n");
    const Outcome outcome = runCli({"doctor"}, program.path());
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.out, "x.bmp\tnot a BMP file\n");
    EXPECT_EQ(program.read("vestu.cfg"), game.path() + "\r\nsecond line\r\n");
}

TEST(Doctor, BadCommandLinesAreUsageErrors) {
    for (const auto& arguments :
         std::vector<std::vector<std::string>>{{"doctor", "--game"},
                                               {"doctor", "extra"},
                                               {"doctor", "--fixes"},
                                               {"games", "x"},
                                               {"games", "--folder", "/tmp"},
                                               {"games", "--fix"}}) {
        const Outcome outcome = runCli(arguments);
        EXPECT_EQ(outcome.status, 2) << ::testing::PrintToString(arguments);
        EXPECT_NE(outcome.err.find("usage:"), std::string::npos);
    }
    const std::string help = runCli({"--help"}).out;
    EXPECT_NE(help.find("vestura-cli games"), std::string::npos);
    EXPECT_NE(help.find("vestura-cli doctor  [--folder DIR] [--game DIR] [--fix]"),
              std::string::npos);
}

TEST(Games, ListsEveryInstallWithItsKindAndSkinsFolder) {
    test::MadeUpHome home;
    home.buildEveryPlace();
    std::istringstream expected(home.expectedListing());
    std::string lines;
    for (std::string line; std::getline(expected, line);) {
        const std::string folder = line.substr(line.find('\t') + 1);
        lines +=
            line + (std::filesystem::is_directory(folder + "skins") ? "\tskins\n" : "\tno-skins\n");
    }
    const test::HomeVariables variables(home.home());
    const Outcome outcome = runCli({"games"});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, lines);
    EXPECT_NE(outcome.out.find("\tskins\n"), std::string::npos);
}

TEST(Games, NothingFoundExitsOne) {
    test::MadeUpHome home;
    const test::HomeVariables variables(home.home());
    const Outcome outcome = runCli({"games"});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.out, "");
}

}  // namespace
}  // namespace vestura::cli
