// vestura-cli doctor and games: the lines, the exit status, and --fix rewriting a skin as
// the very file Save writes.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <QImage>
#include <csignal>
#include <filesystem>

#include "cli/commands.h"
#include "game/skins_check.h"
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

// Skins that are links: one leaving the skins folder is reported and neither read nor
// written through, whatever it points at; one within the folder is fixed like any file.
TEST_F(DoctorTest, NeverWritesThroughALinkLeavingTheSkinsFolder) {
    const std::string thirtyTwo =
        asText(BmpBuilder().size(256, 256).bitsPerPixel(32).rows(rows32(256)).build());
    TempFolder elsewhere;
    elsewhere.write("thirtytwo.bmp", thirtyTwo);
    std::filesystem::create_directory(game.file("inner"));
    game.write("inner/thirtytwo.bmp", thirtyTwo);
    std::filesystem::create_symlink(elsewhere.file("thirtytwo.bmp"), game.file("skins/abs.bmp"));
    std::filesystem::create_symlink("../inner/thirtytwo.bmp", game.file("skins/up.bmp"));
    std::filesystem::create_directory(game.file("skins/sub"));
    game.write("skins/sub/thirtytwo.bmp", thirtyTwo);
    std::filesystem::create_symlink("sub/../sub/thirtytwo.bmp", game.file("skins/within.bmp"));

    const Outcome outcome = doctor({"--fix"});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.out,
              "abs.bmp\tlink to a file outside skins/\n"
              "up.bmp\tlink to a file outside skins/\n"
              "within.bmp\tfixed\n");
    EXPECT_EQ(elsewhere.read("thirtytwo.bmp"), thirtyTwo);
    EXPECT_EQ(game.read("inner/thirtytwo.bmp"), thirtyTwo);
    EXPECT_FALSE(std::filesystem::exists(game.file("skins/abs.bmp.bak")));
    EXPECT_FALSE(std::filesystem::exists(game.file("skins/up.bmp.bak")));
    EXPECT_EQ(skinBytes("sub/thirtytwo.bmp"), savedPattern());
    EXPECT_EQ(skinBytes("within.bmp.bak"), thirtyTwo);
}

// A file larger than any skin is reported by its size, and --fix neither reads nor backs
// it up, even when its headers describe a fixable skin.
TEST_F(DoctorTest, AFileLargerThanAnySkinIsReportedByItsSize) {
    Bytes large = BmpBuilder().size(256, 256).bitsPerPixel(32).rows(rows32(256)).build();
    const std::size_t size = kLargestSkinFileBytes + 1;
    large.resize(size);
    skin("large.bmp", large);
    const std::string expected =
        "large.bmp\t" + std::to_string(size) + " bytes, larger than any skin\n";
    EXPECT_EQ(doctor().out, expected);
    const Outcome fixed = doctor({"--fix"});
    EXPECT_EQ(fixed.status, 1);
    EXPECT_EQ(fixed.out, expected);
    EXPECT_EQ(skinBytes("large.bmp"), asText(large));
    EXPECT_FALSE(std::filesystem::exists(game.file("skins/large.bmp.bak")));
}

// Anything but a regular file at the backup's name (a FIFO, a link, a folder) is in the
// way: reported on that skin's line, never opened, and the run goes on with the next skin.
TEST_F(DoctorTest, WhatIsInTheWayOfABackupStopsOnlyThatSkin) {
    const Bytes topDown = BmpBuilder().size(256, 256).topDown().rows(rows24(256)).build();
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp", "d.bmp"}) {
        skin(name, topDown);
    }
    ASSERT_EQ(::mkfifo(game.file("skins/a.bmp.bak").c_str(), 0600), 0);
    TempFolder elsewhere;
    elsewhere.write("same.bmp", asText(topDown));  // even one holding the very bytes
    std::filesystem::create_symlink(elsewhere.file("same.bmp"), game.file("skins/b.bmp.bak"));
    std::filesystem::create_directory(game.file("skins/c.bmp.bak"));
    const Outcome outcome = doctor({"--fix"});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.out,
              "a.bmp\tstored top-down; not fixed: a.bmp.bak is in the way\n"
              "b.bmp\tstored top-down; not fixed: b.bmp.bak is in the way\n"
              "c.bmp\tstored top-down; not fixed: c.bmp.bak is in the way\n"
              "d.bmp\tfixed\n");
    EXPECT_TRUE(outcome.err.empty());
    EXPECT_EQ(skinBytes("a.bmp"), asText(topDown));
    EXPECT_EQ(elsewhere.read("same.bmp"), asText(topDown));
}

// Writes stop at `bytes` per file for the life of the object, as on a disk with that much
// room left: a longer write fails instead of raising SIGXFSZ.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limited{bytes, saved_.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
    void (*oldHandler_)(int) = nullptr;
};

// A write that fails (here: a 32-bit original too large to back up on a nearly full disk)
// is reported on its skin's line, and the skins after it are still fixed.
TEST_F(DoctorTest, AFailedWriteStopsOnlyThatSkin) {
    const Bytes thirtyTwo = BmpBuilder().size(256, 256).bitsPerPixel(32).rows(rows32(256)).build();
    skin("a.bmp", thirtyTwo);
    skin("b.bmp", BmpBuilder().size(256, 256).topDown().rows(rows24(256)).build());
    const std::string saved = savedPattern();
    Outcome outcome;
    {
        const FileSizeLimit roomFor(saved.size() + 1024);  // a skin fits, the 32-bit one not
        outcome = doctor({"--fix"});
    }
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(
        outcome.out,
        "a.bmp\t32 bits per pixel; not fixed: Stream write error: the file is larger than allowed\n"
        "b.bmp\tfixed\n");
    EXPECT_TRUE(outcome.err.empty());
    EXPECT_EQ(skinBytes("a.bmp"), asText(thirtyTwo));
    EXPECT_FALSE(std::filesystem::exists(game.file("skins/a.bmp.bak")));
    EXPECT_EQ(skinBytes("b.bmp"), saved);
}

// Names are printed with their control characters escaped: a newline or tab in a name
// cannot forge an "ok" line, and no escape sequence reaches the terminal.
TEST_F(DoctorTest, ControlCharactersInNamesAreEscaped) {
    skin("evil.bmp\tok\nx.bmp", BmpBuilder().size(128, 128).rows(rows24(128)).build());
    writeSkinFile(game.file("skins/\x1B[2Jgood.bmp"), patternImage(256));
    const Outcome outcome = doctor();
    EXPECT_EQ(outcome.out,
              "\\x1B[2Jgood.bmp\tname Windows cannot open\n"
              "evil.bmp\\tok\\nx.bmp\t128 x 128, not 256 x 256; name Windows cannot open\n");
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
        EXPECT_TRUE(test::isUsageError(outcome))
            << ::testing::PrintToString(arguments) << outcome.err;
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

TEST(Games, ControlCharactersInFoldersAreEscaped) {
    test::MadeUpHome home;
    home.game(".wine/drive_c/Games/vc\tok\nsteam");
    const test::HomeVariables variables(home.home());
    const Outcome outcome = runCli({"games"});
    EXPECT_EQ(outcome.out,
              "wine\t" + home.path(".wine/drive_c/Games/vc\\tok\\nsteam/") + "\tno-skins\n");
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
