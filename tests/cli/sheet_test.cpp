// vestura-cli sheet: every entry as a captioned tile under its category's heading, each tile
// the skin `render` writes for that entry alone (or its front view), failures marked.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QImage>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "skin/catalogue_sheet.h"
#include "tests/support/cli_run.h"
#include "tests/support/rw_writer.h"
#include "tests/support/temp_folder.h"

namespace vestura::cli {
namespace {

using test::runCli;
using Outcome = test::CliOutcome;

// Ten glasses (two rows of tiles), no beards, one shirt, two boots of which the second's
// picture is missing; each picture a colour of its own.
class SheetCommand : public ::testing::Test {
protected:
    void SetUp() override {
        std::string glasses;
        for (int k = 1; k <= 10; ++k) {
            const std::string name = "g" + std::to_string(k) + ".bmp";
            picture(name, {96, 44}, qRgb(20 * k, 255 - 20 * k, 7 * k));
            glasses += "<NEW>\r\n" + name + "\r\nGlasses " + std::to_string(k) + "\r\n";
        }
        folder.write("e.ls", glasses);
        picture("shirt.bmp", {105, 129}, qRgb(200, 40, 40));
        folder.write("k.ls", "<NEW>\nshirt.bmp\nRed shirt\n");
        picture("boot.bmp", {40, 40}, qRgb(10, 10, 120));
        folder.write("b.ls", "<NEW>\nboot.bmp\nBlue boots\n<NEW>\nmissing.bmp\nLost boots\n");
        for (const char* name : {"p.ls", "c.ls", "h.ls", "j.ls"}) {
            folder.write(name, "");
        }
    }
    void picture(const std::string& name, QSize size, QRgb colour) const {
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        ASSERT_TRUE(image.save(QString::fromStdString(folder.file(name)), "BMP"));
    }
    Outcome cli(std::vector<std::string> arguments) const {
        arguments.insert(arguments.begin() + 1, {"--folder", folder.path()});
        return runCli(arguments);
    }
    static QImage decoded(const std::string& path) {
        return QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_RGB32);
    }
    // What `render --CATEGORY ENTRY` writes.
    QImage rendered(const std::string& category, int entry) const {
        const std::string path = out.file(category + std::to_string(entry) + ".png");
        const Outcome outcome =
            cli({"render", "--" + category, std::to_string(entry), "--output", path});
        EXPECT_EQ(outcome.status, 0) << outcome.err;
        return decoded(path);
    }
    QImage renderedTile(const std::string& category, int entry) const {
        return tileImage(rendered(category, entry));
    }
    static bool hasInk(const QImage& sheet, const QRect& box) {
        for (int y = box.top(); y <= box.bottom(); ++y) {
            for (int x = box.left(); x <= box.right(); ++x) {
                if (qGray(sheet.pixel(x, y)) < 128) {
                    return true;
                }
            }
        }
        return false;
    }

    test::TempFolder folder, out;
};

// The sections as the sheet of the whole fixture lays them out, in selector order.
SheetLayout wholeFixtureLayout() {
    return SheetLayout({{"", 10}, {"", 0}, {"", 0}, {"", 0}, {"", 1}, {"", 0}, {"", 2}});
}

TEST_F(SheetCommand, EveryTileIsItsEntryRenderedAloneAndAFailedOneIsMarked) {
    for (const char* name : {"sheet.png", "sheet.BMP"}) {
        const Outcome outcome = cli({"sheet", "--output", out.file(name)});
        EXPECT_EQ(outcome.status, 1) << name;
        EXPECT_EQ(outcome.err, "boots 2: Cannot open file " + folder.file("missing.bmp") +
                                   ": the file does not exist.\n");
        const QImage sheet = decoded(out.file(name));
        const SheetLayout layout = wholeFixtureLayout();
        ASSERT_EQ(sheet.size(), layout.size()) << name;
        const auto expectTile = [&](std::size_t section, int tile, const std::string& category) {
            const QImage expected = renderedTile(category, tile + 1);
            EXPECT_EQ(sheet.copy(layout.tileRect(section, tile)), expected)
                << category << " " << tile + 1 << " in " << name;
            EXPECT_TRUE(hasInk(sheet, layout.captionRect(section, tile)));
        };
        for (int tile = 0; tile < 10; ++tile) {
            expectTile(0, tile, "glasses");
        }
        expectTile(4, 0, "shirt");
        // Each tile pixel is the mean of the four skin pixels it covers: where the shirt's
        // edge crosses the base skin, the two colours mixed.
        const QImage shirt = rendered("shirt", 1);
        const QPoint place = layout.tileRect(4, 0).topLeft();
        for (const QPoint at : {QPoint(43, 64), QPoint(60, 100), QPoint(44, 68)}) {
            int red = 0;
            for (const QPoint corner : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(1, 1)}) {
                red += qRed(shirt.pixel(at * 2 + corner));
            }
            EXPECT_EQ(qRed(sheet.pixel(place + at)), (red + 2) / 4) << at.x() << "," << at.y();
        }
        expectTile(6, 0, "boots");
        for (std::size_t section = 0; section < 7; ++section) {
            EXPECT_TRUE(hasInk(sheet, layout.headingRect(section))) << "heading " << section;
        }
        // The missing boots: outlined in the mark's colour, a message inside, its caption.
        const QRect failed = layout.tileRect(6, 1);
        for (const QPoint edge :
             {failed.topLeft(), failed.bottomRight(), QPoint(failed.center().x(), failed.top() + 1),
              QPoint(failed.right() - 1, failed.center().y())}) {
            EXPECT_EQ(sheet.pixel(edge), kFailedTileMark) << name;
        }
        EXPECT_TRUE(hasInk(sheet, failed.adjusted(4, 4, -4, -4)));
        EXPECT_TRUE(hasInk(sheet, layout.captionRect(6, 1)));
    }
}

TEST_F(SheetCommand, ACategoryDrawsOnlyItsOwnEntries) {
    const Outcome outcome = cli({"sheet", "--category", "Shirt", "--output", out.file("s.png")});
    EXPECT_EQ(outcome.status, 0) << outcome.err;  // the missing boots are not drawn
    const QImage sheet = decoded(out.file("s.png"));
    const SheetLayout layout({{"", 1}});
    ASSERT_EQ(sheet.size(), layout.size());
    EXPECT_EQ(sheet.copy(layout.tileRect(0, 0)), renderedTile("shirt", 1));
    // A sheet of a few entries is four tiles wide, not eight.
    EXPECT_EQ(sheet.width(), layout.tileRect(0, kMinSheetColumns - 1).right() + 12 + 1);
}

// What a sheet must not be written to is refused, and nothing is written: a --folder that
// is no folder, a game's skins folder (a sheet is no skin), the catalogue's own files.
TEST_F(SheetCommand, APlaceASheetMustNotGoIsRefusedAndNothingWritten) {
    test::TempFolder game;
    game.write("gta-vc.exe", "MZ");
    std::filesystem::create_directories(game.file("skins"));
    const std::string shirt = folder.read("shirt.bmp");
    const struct {
        std::vector<std::string> arguments;
        std::string named;
    } refused[] = {
        {{"--folder", out.file("nothere"), "--output", out.file("n.png")},
         "--folder names no folder: " + out.file("nothere")},
        {{"--folder", folder.file("e.ls"), "--output", out.file("n.png")}, "names no folder"},
        {{"--folder", folder.path(), "--output", game.file("skins/sheet.bmp")},
         "sheet.bmp: the game's skins folder takes only .bmp skins"},
        {{"--folder", folder.path(), "--output", folder.file("shirt.bmp")},
         "the output is a picture of the catalogue: " + folder.file("shirt.bmp")},
        {{"--folder", folder.path(), "--output", folder.file("k.ls.png")}, ""},
    };
    std::filesystem::create_symlink(folder.file("k.ls"), folder.file("k.ls.png"));
    for (const auto& [arguments, named] : refused) {
        std::vector<std::string> command{"sheet"};
        command.insert(command.end(), arguments.begin(), arguments.end());
        const Outcome outcome = runCli(command);
        EXPECT_TRUE(test::isUsageError(outcome)) << outcome.err;
        EXPECT_NE(outcome.err.find(named.empty() ? "the output is a list file" : named),
                  std::string::npos)
            << outcome.err;
    }
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(out.file("n.png"))));
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(game.file("skins/sheet.bmp"))));
    EXPECT_EQ(folder.read("shirt.bmp"), shirt);
    EXPECT_EQ(folder.read("k.ls"), "<NEW>\nshirt.bmp\nRed shirt\n");
}

// A stranger's catalogue cannot send the terminal its own controls: a failure line shows
// them escaped, as `list` does.
TEST_F(SheetCommand, AFailureLineShowsTheCataloguesControlCharactersEscaped) {
    folder.write("k.ls", "<NEW>\n\x1b]0;pwned\x07.bmp\nEscape\n");
    const Outcome outcome = cli({"sheet", "--category", "shirt", "--output", out.file("e.png")});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err.find('\x1b'), std::string::npos) << outcome.err;
    EXPECT_NE(outcome.err.find("\\x1B]0;pwned\\x07.bmp"), std::string::npos) << outcome.err;
}

// A list file that cannot be read is its category's one failed tile; an empty list only a
// heading.
TEST_F(SheetCommand, AListFileThatCannotBeReadIsAFailedTile) {
    std::remove(folder.file("k.ls").c_str());
    const Outcome outcome = cli({"sheet", "--category", "shirt", "--output", out.file("s.png")});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err,
              "Cannot open file " + folder.file("k.ls") + ": the file does not exist.\n");
    const QImage sheet = decoded(out.file("s.png"));
    const SheetLayout layout({{"", 1}});
    EXPECT_EQ(sheet.pixel(layout.tileRect(0, 0).topLeft()), kFailedTileMark);
}

TEST_F(SheetCommand, AnEmptyListIsOnlyAHeading) {
    const Outcome empty = cli({"sheet", "--category", "beard", "--output", out.file("b.png")});
    EXPECT_EQ(empty.status, 0) << empty.err;
    EXPECT_EQ(decoded(out.file("b.png")).size(), SheetLayout({{"", 0}}).size());
}

// A caption is shown as `list` shows it: a tab as the two characters \t. However long, it
// stays under its own tile.
TEST_F(SheetCommand, CaptionsAreEscapedAndCutToTheirTile) {
    const auto captionOf = [&](const std::string& caption) {
        folder.write("k.ls", "<NEW>\nshirt.bmp\n" + caption + "\n<NEW>\nshirt.bmp\nx\n");
        EXPECT_EQ(cli({"sheet", "--category", "shirt", "--output", out.file("c.png")}).status, 0);
        return decoded(out.file("c.png"));
    };
    const SheetLayout layout({{"", 2}});
    const QRect caption = layout.captionRect(0, 0);
    CatalogueSheet shown({{"Shirt (shirt)", 2}});
    QImage blank(kSheetTileSide, kSheetTileSide, QImage::Format_RGB32);
    blank.fill(Qt::white);
    shown.drawTile(0, 0, blank, "Tab\\there");
    EXPECT_EQ(captionOf("Tab\there").copy(caption), shown.picture().copy(caption));
    EXPECT_NE(captionOf("Tab\there").copy(caption), captionOf("Tabhere").copy(caption));

    const QImage longOne = captionOf(std::string(100'000, 'W'));
    const QRect between(caption.right() + 1, caption.top(),
                        layout.captionRect(0, 1).left() - caption.right() - 1, caption.height());
    EXPECT_FALSE(hasInk(longOne, between));
    EXPECT_TRUE(hasInk(longOne, caption));
}

// A catalogue of any length makes a sheet within the pixel budget: the tiles past it are
// left out, and a line at the bottom says how many.
TEST(SheetLayoutBounds, TilesPastThePixelBudgetAreLeftOutAndCounted) {
    const SheetLayout huge({{"", 100'000}, {"", 5}});
    EXPECT_LE(std::int64_t{huge.size().width()} * huge.size().height(), kMaxSheetPixels);
    EXPECT_GT(huge.tilesShown(0), 1000);
    EXPECT_EQ(huge.tilesShown(0) % kSheetColumns, 0);
    EXPECT_EQ(huge.tilesShown(1), 0);
    EXPECT_EQ(huge.tilesLeftOut(), 100'005 - huge.tilesShown(0));
    EXPECT_TRUE(huge.headingRect(1).isEmpty());
    EXPECT_GT(huge.noteRect().top(), huge.tileRect(0, huge.tilesShown(0) - 1).bottom());
    EXPECT_LE(huge.noteRect().bottom(), huge.size().height());

    const SheetLayout fits({{"", 9}, {"", 0}, {"", 3}});
    EXPECT_EQ(fits.tilesLeftOut(), 0);
    EXPECT_TRUE(fits.noteRect().isEmpty());
    // Eight to a row, each section below the one before, nothing overlapping.
    EXPECT_EQ(fits.tileRect(0, 8).left(), fits.tileRect(0, 0).left());
    EXPECT_GT(fits.tileRect(0, 8).top(), fits.captionRect(0, 0).bottom());
    EXPECT_GT(fits.headingRect(1).top(), fits.captionRect(0, 8).bottom());
    EXPECT_GT(fits.tileRect(2, 0).top(), fits.headingRect(1).bottom());
    EXPECT_EQ(fits.tileRect(0, 7).right() + 12 + 1, fits.size().width());
}

TEST_F(SheetCommand, AThousandsOfEntriesCatalogueIsCutWithItsLimitNamed) {
    std::string glasses;
    for (int k = 0; k < 2000; ++k) {
        glasses += "<NEW>\ng1.bmp\nG\n";
    }
    folder.write("e.ls", glasses);
    const Outcome outcome = cli({"sheet", "--category", "glasses", "--output", out.file("h.bmp")});
    EXPECT_EQ(outcome.status, 1);
    const SheetLayout layout({{"", 2000}});
    const int shown = layout.tilesShown(0);
    EXPECT_EQ(outcome.err, std::to_string(2000 - shown) + " entries left out (glasses " +
                               std::to_string(shown + 1) +
                               "-2000): a sheet holds at most 33554432 pixels "
                               "(32 x 1024 x 1024).\n");
    // The written size, from the BMP header (a whole decode would take seconds).
    std::ifstream file(out.file("h.bmp"), std::ios::binary);
    char header[26] = {};
    ASSERT_TRUE(file.read(header, sizeof header));
    const auto at = [&](int offset) {
        return static_cast<int>(static_cast<unsigned char>(header[offset]) |
                                static_cast<unsigned char>(header[offset + 1]) << 8 |
                                static_cast<unsigned char>(header[offset + 2]) << 16);
    };
    EXPECT_EQ(QSize(at(18), at(22)), layout.size());
}

class SheetView : public SheetCommand {
protected:
    void SetUp() override {
        SheetCommand::SetUp();
        test::writeArchive(game.path(),
                           {{"player.dff", test::writeDff(test::cubeClump(), test::kStamp34)}});
        // The boots lie on the cube's front face.
        picture("boot2.bmp", {40, 40}, qRgb(250, 250, 10));
        folder.write("b.ls", "<NEW>\nboot.bmp\nBlue boots\n<NEW>\nboot2.bmp\nYellow boots\n");
    }
    test::TempFolder game;
};

TEST_F(SheetView, ViewTilesAreTheFrontViewOfEachEntry) {
    const Outcome outcome = cli({"sheet", "--category", "boots", "--view", "--game", game.path(),
                                 "--output", out.file("v.png")});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    const QImage sheet = decoded(out.file("v.png"));
    const SheetLayout layout({{"", 2}});
    ASSERT_EQ(sheet.size(), layout.size());
    for (int entry = 1; entry <= 2; ++entry) {
        const std::string path = out.file("view" + std::to_string(entry) + ".png");
        ASSERT_EQ(cli({"view", "--game", game.path(), "--boots", std::to_string(entry), "--size",
                       "256", "--output", path})
                      .status,
                  0);
        EXPECT_EQ(sheet.copy(layout.tileRect(0, entry - 1)), tileImage(decoded(path))) << entry;
    }
    EXPECT_NE(sheet.copy(layout.tileRect(0, 0)), sheet.copy(layout.tileRect(0, 1)));

    // Without a model there is no sheet: status 1 with view's message.
    test::TempFolder empty;
    const Outcome missing =
        cli({"sheet", "--view", "--game", empty.path(), "--output", out.file("none.png")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "Player model not found: " + empty.path() + "models/gta3.img.\n");
}

TEST_F(SheetCommand, AnOutputDeviceTakesTheSheet) {
    const Outcome outcome = cli({"sheet", "--category", "shirt", "--output", "/dev/null"});
    EXPECT_EQ(outcome.status, 0) << outcome.err;
}

TEST(SheetUsage, BadCommandLinesAreUsageErrorsNamingTheOption) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> bad = {
        {{"sheet"}, "--output"},
        {{"sheet", "--output"}, "--output needs a value"},
        {{"sheet", "--output", "a.jpg"}, "FILE.bmp or FILE.png: a.jpg"},
        {{"sheet", "--category", "hats", "--output", "a.png"}, "unknown category: hats"},
        {{"sheet", "--category"}, "--category needs a value"},
        {{"sheet", "--size", "64", "--output", "a.png"}, "unknown option for sheet: --size"},
        {{"sheet", "--glasses", "1", "--output", "a.png"}, "unknown option for sheet: --glasses"},
        {{"sheet", "extra", "--output", "a.png"}, "unknown option for sheet: extra"},
        {{"sheet", "--game", "g", "--output", "a.png"}, "--game applies only with --view"},
        {{"sheet", "--model", "m.dff", "--output", "a.png"}, "--model applies only with --view"},
        {{"sheet", "--view", "--game", "g", "--model", "m.dff", "--output", "a.png"},
         "either --game or --model"},
    };
    for (const auto& [arguments, named] : bad) {
        const Outcome outcome = runCli(arguments);
        EXPECT_TRUE(test::isUsageError(outcome))
            << ::testing::PrintToString(arguments) << outcome.err;
        EXPECT_NE(outcome.err.find(named), std::string::npos) << outcome.err;
    }
}

}  // namespace
}  // namespace vestura::cli
