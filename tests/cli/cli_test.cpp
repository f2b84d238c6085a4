// vestura-cli as a user runs it: command lines in, exit status, output and files out.
#include <gtest/gtest.h>

#include <QImage>
#include <clocale>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <variant>

#include "cli/commands.h"
#include "cli/recipes.h"
#include "cli/skin_session.h"
#include "common/file_io.h"
#include "game/skin_name.h"
#include "tests/support/cli_run.h"
#include "tests/support/full_disk.h"
#include "tests/support/png_builder.h"
#include "tests/support/temp_folder.h"
#include "tests/support/tga_builder.h"

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

namespace vestura::cli {
namespace {

using test::TempFolder;

using test::runCli;
using Outcome = test::CliOutcome;

// A program folder with a small catalogue: two glasses as BMP files, a jeans bitmap with a
// magenta key, and whatever the test adds.
class CatalogueFolder : public ::testing::Test {
protected:
    void SetUp() override {
        picture("red.bmp", 20, 10, Qt::red);
        picture("blue.bmp", 30, 12, Qt::blue);
        QImage jeans(94, 172, QImage::Format_RGB32);
        jeans.fill(Qt::darkBlue);
        jeans.setPixel(0, 171, qRgb(255, 0, 255));
        jeans.setPixel(5, 5, qRgb(255, 0, 255));
        jeans.save(QString::fromStdString(folder.file("jeans.bmp")), "BMP");
        list("e.ls", "<NEW>\r\nred.bmp\r\nRed\r\n\r\n<NEW>\r\nblue.bmp\r\nBlue shades\r\n");
        for (const char* name : {"p.ls", "c.ls", "h.ls", "k.ls", "b.ls"}) {
            list(name, "");
        }
        list("j.ls", "<NEW>\r\njeans.bmp\r\nJeans\r\n");
    }
    void picture(const std::string& name, int w, int h, Qt::GlobalColor colour) {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(colour);
        image.save(QString::fromStdString(folder.file(name)), "BMP");
    }
    void list(const std::string& name, const std::string& text) { folder.write(name, text); }
    Outcome cli(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin() + 1, {"--folder", folder.path()});
        return runCli(arguments);
    }

    TempFolder folder;
};

TEST(CliUsage, BadCommandLinesAreUsageErrorsWithStatusTwo) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"paint"},
        {"render"},  // neither --output nor --recipes
        {"render", "--output", "a.bmp", "--recipes", "r"},
        {"render", "--hat", "1", "--output", "a.bmp"},  // no such category
        {"render", "--glasses"},                        // option without its value
        {"convert", "only-one.bmp"},
        {"list", "extra"},
    };
    for (const auto& arguments : bad) {
        const Outcome outcome = runCli(arguments);
        EXPECT_TRUE(test::isUsageError(outcome))
            << ::testing::PrintToString(arguments) << outcome.err;
    }
}

TEST(CliUsage, HelpAndVersionPrintAndSucceed) {
    for (const std::vector<std::string>& asking : {std::vector<std::string>{"--help"},
                                                   {"-h"},
                                                   {"help"},
                                                   {"help", "view"},
                                                   {"view", "--help"},
                                                   {"sheet", "-h"}}) {
        const Outcome help = runCli(asking);
        EXPECT_EQ(help.status, 0) << asking.back();
        EXPECT_NE(help.out.find("vestura-cli render"), std::string::npos) << asking.back();
    }
    EXPECT_EQ(runCli({"--version"}).out, "vestura-cli 1.1\n");
}

TEST_F(CatalogueFolder, ListPrintsEveryEntryInSelectorOrder) {
    const Outcome outcome = cli({"list"});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out.substr(0, outcome.out.find("beard")),
              "glasses\t0\tNone\t\nglasses\t1\tRed\tred.bmp\nglasses\t2\tBlue shades\tblue.bmp\n");
    EXPECT_NE(outcome.out.find("jeans\t1\tJeans\tjeans.bmp\n"), std::string::npos);
    EXPECT_NE(outcome.out.find("boots\t0\tUsual\t\n"), std::string::npos);
}

// A list file that cannot be read is reported once, with the window's message and its
// cause; every command goes on with the other categories and ends with status 1, and only
// naming an entry of the failed category (other than its default) fails.
TEST_F(CatalogueFolder, AListFileThatCannotBeReadSpoilsOnlyItsCategory) {
    std::remove(folder.file("j.ls").c_str());
    const std::string missing =
        "Cannot open file " + folder.file("j.ls") + ": the file does not exist.\n";
    const Outcome listed = cli({"list"});
    EXPECT_EQ(listed.status, 1);
    EXPECT_EQ(listed.err, missing);
    EXPECT_NE(listed.out.find("glasses\t2\tBlue shades\tblue.bmp\nbeard\t0\tNone\t\n"),
              std::string::npos);
    EXPECT_NE(listed.out.find("boots\t0\tUsual\t\n"), std::string::npos);
    EXPECT_EQ(listed.out.find("jeans"), std::string::npos);

    const Outcome rendered =
        cli({"render", "--glasses", "2", "--jeans", "0", "--output", folder.file("a.bmp")});
    EXPECT_EQ(rendered.status, 1);
    EXPECT_EQ(rendered.err, missing);
    EXPECT_EQ(folder.read("a.bmp").size(), 197686u);
    const Outcome refused = cli({"render", "--jeans", "Jeans", "--output", folder.file("b.bmp")});
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.err, missing +
                               "vestura-cli: no jeans entry \"Jeans\": its list file j.ls could "
                               "not be read\nTry 'vestura-cli --help'.\n");

    folder.write("recipes.txt",
                 folder.file("c.bmp") + " glasses=1\n" + folder.file("d.bmp") + " jeans=1\n");
    const Outcome batch = cli({"render", "--recipes", folder.file("recipes.txt")});
    EXPECT_EQ(batch.status, 1);
    EXPECT_EQ(batch.err, missing + folder.file("recipes.txt") +
                             ":2: no jeans entry \"1\": its list file j.ls could not be read.\n");
    EXPECT_EQ(folder.read("c.bmp").size(), 197686u);
    EXPECT_FALSE(std::filesystem::exists(folder.file("d.bmp")));
}

TEST_F(CatalogueFolder, RenderTakesEntriesByIndexOrCaption) {
    const Outcome byIndex = cli({"render", "--glasses", "2", "--output", folder.file("a.bmp")});
    const Outcome byCaption =
        cli({"render", "--glasses", "Blue shades", "--output", folder.file("b.bmp")});
    ASSERT_EQ(byIndex.status, 0) << byIndex.err;
    ASSERT_EQ(byCaption.status, 0) << byCaption.err;
    EXPECT_TRUE(byIndex.out.empty());
    const std::string a = folder.read("a.bmp");
    EXPECT_EQ(a.size(), 197686u);
    EXPECT_EQ(a, folder.read("b.bmp"));
    // The glasses slot's top-left pixel lies at skin (160, 39): blue.
    const QImage skin(QString::fromStdString(folder.file("a.bmp")));
    EXPECT_EQ(skin.pixel(160, 39), qRgb(0, 0, 255));
    EXPECT_EQ(skin.pixel(189, 50), qRgb(0, 0, 255));
    EXPECT_NE(skin.pixel(190, 39), qRgb(0, 0, 255));
}

TEST_F(CatalogueFolder, RenderOfAnUnknownEntryNamesTheCategory) {
    const Outcome outcome = cli({"render", "--glasses", "Gold", "--output", folder.file("a.bmp")});
    EXPECT_TRUE(test::isUsageError(outcome)) << outcome.err;
    EXPECT_NE(outcome.err.find("glasses"), std::string::npos);
    EXPECT_EQ(outcome.err.find("Blue shades"), std::string::npos);  // lists nothing else
}

// .bmp writes the skin the game reads, .png a PNG picture of the same pixels, in any letter
// case; any other output is refused before anything is written, on the command line as a
// usage error and in a recipes file as that line's failure.
TEST_F(CatalogueFolder, OutputsAreWrittenAsTheirExtensionSaysAndNoOtherIsTaken) {
    for (const char* name : {"skin.bmp", "picture.PNG"}) {
        const Outcome outcome = cli({"render", "--glasses", "2", "--output", folder.file(name)});
        ASSERT_EQ(outcome.status, 0) << name << outcome.err;
    }
    EXPECT_EQ(folder.read("skin.bmp").size(), 197686u);
    EXPECT_TRUE(folder.read("picture.PNG").starts_with("\x89PNG\r\n"));
    const QImage skin(QString::fromStdString(folder.file("skin.bmp")));
    const QImage picture(QString::fromStdString(folder.file("picture.PNG")), "PNG");
    EXPECT_EQ(picture.convertToFormat(QImage::Format_RGB32),
              skin.convertToFormat(QImage::Format_RGB32));

    for (const char* name : {"a.jpg", "a", "a.bmp.txt", "a.pn"}) {
        const Outcome outcome = cli({"render", "--output", folder.file(name)});
        EXPECT_TRUE(test::isUsageError(outcome)) << name << outcome.err;
        EXPECT_NE(outcome.err.find("FILE.bmp or FILE.png"), std::string::npos) << outcome.err;
        EXPECT_FALSE(std::filesystem::exists(folder.file(name))) << name;
    }

    folder.write("recipes.txt", folder.file("r.png") + " glasses=2\n" + folder.file("r.gif") +
                                    " glasses=2\n" + folder.file("r.Bmp") + "\n");
    const Outcome batch = cli({"render", "--recipes", folder.file("recipes.txt")});
    EXPECT_EQ(batch.status, 1);
    EXPECT_EQ(batch.err,
              folder.file("recipes.txt") +
                  ":2: the output must be FILE.bmp or FILE.png: " + folder.file("r.gif") + ".\n");
    EXPECT_EQ(folder.read("r.png"), folder.read("picture.PNG"));
    EXPECT_EQ(folder.read("r.Bmp").size(), 197686u);
    EXPECT_FALSE(std::filesystem::exists(folder.file("r.gif")));

    // A device has no name to keep: it takes the skin as a file would.
    const Outcome toDevice = cli({"render", "--output", "/dev/null"});
    EXPECT_EQ(toDevice.status, 0) << toDevice.err;
}

// Into a game's skins folder, found in any letter case and through a link, only names the
// game reads are written; a folder called skins elsewhere takes any name.
TEST_F(CatalogueFolder, SkinsFolderOfAGameTakesOnlyNamesTheGameReads) {
    TempFolder places;
    std::filesystem::create_directories(places.file("game/Skins"));
    places.write("game/GTA-VC.EXE", "MZ");
    std::filesystem::create_directories(places.file("other/skins"));
    std::filesystem::create_directory_symlink(places.file("game/Skins"), places.file("link"));
    const std::string rule(kSkinNameRule);
    const struct {
        std::string output;
        std::string refusal;  // empty: written
    } cases[] = {
        {"game/Skins/Lance Vance.BMP", ""},
        {"other/skins/CON.bmp", ""},
        {"game/Skins/CON.bmp", "The skin name \"CON\" is a Windows device name. " + rule},
        {"link/caf\xC3\xA9.bmp", "not plain ASCII, which the game cannot read. " + rule},
        {"game/Skins/" + std::string(32, 'x') + ".bmp", "longer than 31 characters"},
        {"game/Skins/../Skins/Lance.png", "the game's skins folder takes only .bmp skins"},
    };
    for (const auto& c : cases) {
        const Outcome outcome = cli({"render", "--output", places.file(c.output)});
        if (c.refusal.empty()) {
            EXPECT_EQ(outcome.status, 0) << c.output << outcome.err;
            EXPECT_TRUE(std::filesystem::exists(places.file(c.output))) << c.output;
        } else {
            EXPECT_TRUE(test::isUsageError(outcome)) << c.output << outcome.err;
            EXPECT_NE(outcome.err.find(places.file(c.output) + ": "), std::string::npos);
            EXPECT_NE(outcome.err.find(c.refusal), std::string::npos) << outcome.err;
            EXPECT_FALSE(std::filesystem::exists(places.file(c.output))) << c.output;
        }
    }
    folder.write("recipes.txt", places.file("game/Skins/PRN.bmp") + " glasses=1\n" +
                                    places.file("game/Skins/Tommy.bmp") + " glasses=1\n");
    const Outcome batch = cli({"render", "--recipes", folder.file("recipes.txt")});
    EXPECT_EQ(batch.status, 1);
    EXPECT_EQ(batch.err, folder.file("recipes.txt") + ":1: " + places.file("game/Skins/PRN.bmp") +
                             ": The skin name \"PRN\" is a Windows device name. " + rule + "\n");
    EXPECT_EQ(places.read("game/Skins/Tommy.bmp").size(), 197686u);
    EXPECT_FALSE(std::filesystem::exists(places.file("game/Skins/PRN.bmp")));
    // A link is judged by where it leads, a link inside the skins folder is never written
    // through, and every command that writes a file keeps the rule.
    places.write("victim.txt", "precious");
    std::filesystem::create_symlink(places.file("game/Skins/con.bmp"), places.file("to-con.bmp"));
    std::filesystem::create_symlink(places.file("victim.txt"), places.file("game/Skins/v.bmp"));
    const std::vector<std::vector<std::string>> refused{
        {"render", "--output", places.file("to-con.bmp")},
        {"render", "--output", places.file("game/Skins/v.bmp")},
        {"convert", std::string(VESTURA_CATALOGUE_DIR) + "parts/arms/divers_watch.ico",
         places.file("game/Skins/nul.bmp")},
        {"template", "--output", places.file("game/Skins/aux.bmp")},
    };
    for (const std::vector<std::string>& command : refused) {
        const Outcome outcome = cli(command);
        EXPECT_TRUE(test::isUsageError(outcome)) << command.back() << outcome.err;
    }
    EXPECT_EQ(places.read("victim.txt"), "precious");
    for (const char* name : {"con.bmp", "nul.bmp", "aux.bmp"}) {
        EXPECT_FALSE(std::filesystem::exists(places.file(std::string("game/Skins/") + name)));
    }
}

// An entry named in other letter case is taken when only one caption matches so; a name
// that matches nothing is refused with the close captions and their indices.
// Refusals name long captions cut short: a batch of near misses against captions of 4,000
// characters once printed (and kept) 49 KB a line.
TEST_F(CatalogueFolder, RefusalsOfLongCaptionsStaySmall) {
    std::string lines;
    for (int k = 0; k < 3; ++k) {
        lines += "<NEW>\r\nred.bmp\r\n" + std::string(20, 'a') + std::string(4000, 'b') +
                 std::to_string(k) + "\r\n";
    }
    list("e.ls", lines);
    std::string recipes;
    for (int k = 0; k < 100; ++k) {
        std::string typed(20, 'a');  // a beginning of every caption, each time in other case
        for (int bit = 0; bit < 7; ++bit) {
            typed[std::size_t(bit)] = (k >> bit & 1) != 0 ? 'A' : 'a';
        }
        recipes += "/dev/null glasses=" + typed + "\n";
    }
    folder.write("recipes.txt", recipes);
    const Outcome batch = cli({"render", "--recipes", folder.file("recipes.txt")});
    EXPECT_EQ(batch.status, 1);
    EXPECT_NE(batch.err.find("..."), std::string::npos) << batch.err.substr(0, 500);
    EXPECT_LT(batch.err.size(), 100U * 600U);
}

TEST_F(CatalogueFolder, CaptionsMatchInAnyLetterCaseAndMissesNameCloseOnes) {
    list("e.ls",
         "<NEW>\r\nred.bmp\r\nRed\r\n<NEW>\r\nblue.bmp\r\nBlue "
         "shades\r\n<NEW>\r\nblue.bmp\r\nBlue\r\n"
         "<NEW>\r\nblue.bmp\r\nBluer\r\n<NEW>\r\nred.bmp\r\nGreen\r\n"
         "<NEW>\r\nred.bmp\r\nCaf\xE9 noir\r\n<NEW>\r\nred.bmp\r\nBlue\r\n");
    list("k.ls", "<NEW>\r\nred.bmp\r\nPolo\r\n<NEW>\r\nred.bmp\r\nPOLO\r\n");
    const struct {
        Category category;
        std::string typed;
        std::variant<int, std::string> found;  // the entry, or the refusal
    } cases[] = {
        {Category::Glasses, "Blue", 3},
        {Category::Glasses, "blue SHADES", 2},
        {Category::Glasses, "none", 0},
        {Category::Glasses, "CAF\u00C9 NOIR", 6},
        {Category::Shirt, "Polo", 1},
        {Category::Shirt, "polo",
         "shirt entry \"polo\" matches several captions in other letter case: \"Polo\" (1), "
         "\"POLO\" (2)"},
        {Category::Glasses, "Blu",
         "no glasses entry \"Blu\"; the closest: \"Blue\" (3), \"Bluer\" (4), \"Blue shades\" "
         "(2)"},
        {Category::Glasses, "Gren", "no glasses entry \"Gren\"; the closest: \"Green\" (5)"},
        {Category::Glasses, "Gold", "no glasses entry \"Gold\""},
        {Category::Glasses, "9", "no glasses entry \"9\": its entries are 0 to 7"},
    };
    const std::string saved = std::setlocale(LC_CTYPE, nullptr);
    std::setlocale(LC_CTYPE, "C.UTF-8");
    SkinSession session(folder.path());
    for (const auto& c : cases) {
        std::variant<int, std::string> found;
        try {
            found = session.resolve(c.category, c.typed);
        } catch (const UsageError& e) {
            found = e.what();
        }
        EXPECT_EQ(found, c.found) << c.typed;
    }
    std::setlocale(LC_CTYPE, saved.c_str());
    // The work of finding close captions is bounded for the session; a refusal given before
    // is given again as it was.
    session.setCloseNameWork(0);
    const auto refusal = [&](const std::string& typed) {
        try {
            session.resolve(Category::Glasses, typed);
        } catch (const UsageError& e) {
            return std::string(e.what());
        }
        return std::string();
    };
    EXPECT_EQ(refusal("Gren"), "no glasses entry \"Gren\"; the closest: \"Green\" (5)");
    EXPECT_EQ(refusal("Greem"), "no glasses entry \"Greem\"");

    // Category names, in options, recipes and template, the same way.
    EXPECT_EQ(cli({"render", "--Glasses", "RED", "--output", folder.file("a.bmp")}).status, 0);
    const Outcome option = cli({"render", "--glases", "1", "--output", folder.file("b.bmp")});
    EXPECT_EQ(option.err,
              "vestura-cli: unknown option for render: --glases; the closest: --glasses\n"
              "Try 'vestura-cli --help'.\n");
    EXPECT_NE(runCli({"template", "--category", "shrit", "--output", folder.file("t.png")})
                  .err.find("unknown category: shrit; the closest: shirt\n"),
              std::string::npos);
    EXPECT_EQ(runCli({"template", "--category", "Shirt", "--output", folder.file("t.png")}).status,
              0);
    folder.write("recipes.txt", folder.file("c.bmp") + " GLASSES=red\n" + folder.file("d.bmp") +
                                    " glases=1\n" + folder.file("e.bmp") + " glasses=gren\n");
    const Outcome batch = cli({"render", "--recipes", folder.file("recipes.txt")});
    const std::string r = folder.file("recipes.txt");
    EXPECT_EQ(batch.err, r + ":2: unknown category glases in glases=1; the closest: glasses.\n" +
                             r + ":3: no glasses entry \"gren\"; the closest: \"Green\" (5)\n");
    EXPECT_EQ(folder.read("c.bmp"), folder.read("a.bmp"));
}

TEST_F(CatalogueFolder, RecipesRenderEveryGoodLineAndReportBadOnesByLine) {
    folder.write("recipes.txt", folder.file("one.bmp") +
                                    " glasses=1 jeans=Jeans\n"
                                    "\n" +
                                    folder.file("two.bmp") + " glasses=\"Blue shades\"\n" +
                                    folder.file("three.bmp") + " glasses=7\n" +
                                    folder.file("four.bmp") + " hat=1\n" + folder.file("five.bmp") +
                                    " boots=0\n");
    const Outcome outcome = cli({"render", "--recipes", folder.file("recipes.txt")});
    EXPECT_EQ(outcome.status, 1);
    for (const char* made : {"one.bmp", "two.bmp", "five.bmp"}) {
        EXPECT_EQ(folder.read(made).size(), 197686u) << made;
    }
    EXPECT_NE(outcome.err.find("recipes.txt:4: "), std::string::npos) << outcome.err;
    EXPECT_NE(outcome.err.find("recipes.txt:5: "), std::string::npos) << outcome.err;
    EXPECT_EQ(outcome.err.find("recipes.txt:1: "), std::string::npos) << outcome.err;
    EXPECT_THROW(folder.read("three.bmp"), std::runtime_error);
}

TEST_F(CatalogueFolder, CheckReportsEachProblemWithListFileLineAndCaption) {
    folder.write("broken.jpg", std::string("\xFF\xD8\xFF\xDB", 4) + std::string(40, '\x11'));
    list("c.ls", "<NEW>\r\nmissing.bmp\r\nGone\r\n<NEW>\r\nchain.gif\r\nGIF chain\r\n");
    list("k.ls", "# shirts\r\n<NEW>\r\nbroken.jpg\r\nBroken\r\n<NEW>");
    const Outcome outcome = cli({"check"});
    EXPECT_EQ(outcome.status, 1);
    const std::string& out = outcome.out;
    EXPECT_NE(out.find("c.ls:1: Gone: Cannot open file " + folder.file("missing.bmp") +
                       ": the file does not exist.\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("c.ls:4: GIF chain: Unknown picture file extension (.gif)\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("k.ls:2: Broken: JPEG error #"), std::string::npos) << out;
    // "<NEW>" on the last line: an entry with an empty caption and an empty path.
    EXPECT_NE(out.find("k.ls:5: : Unknown picture file extension (.)"), std::string::npos) << out;
    EXPECT_NE(out.find("7 entries, 4 problems, 1 warnings\n"), std::string::npos) << out;
}

// A list file is read up to its first NUL byte, as the window reads it: check says where the
// rest was lost, and how to save the file instead. UTF-16 ("Unicode") is named as such.
TEST_F(CatalogueFolder, CheckReportsAListFileCutShortByANulByte) {
    const struct {
        std::string content;
        std::string said;
    } cases[] = {
        {std::string("\xFF\xFE<\0N\0E\0W\0>\0", 12), "e.ls: saved as UTF-16: nothing after it"},
        {std::string("<NEW>\nred.bmp\nRed\0 x\n<NEW>\nblue.bmp\nBlue\n", 41),
         "e.ls: a NUL byte at byte 17: nothing after it is read; save the file as UTF-8"},
    };
    for (const auto& c : cases) {
        list("e.ls", c.content);
        const Outcome outcome = cli({"check"});
        EXPECT_EQ(outcome.status, 1);
        EXPECT_NE(outcome.out.find(c.said), std::string::npos) << outcome.out;
    }
}

// Past a list file that cannot be read, check reports each entry the window leaves out as a
// problem, in line order among the entries; and captions that show nothing or that the
// command line takes for an earlier entry, and parts cut off, as warnings. A slot that takes
// its picture's size grows past its box and is cut only at the skin's edge.
TEST_F(CatalogueFolder, CheckReportsLeftOutEntriesCaptionsAndCutParts) {
    std::remove(folder.file("e.ls").c_str());
    picture("wide.bmp", 120, 140, Qt::green);
    picture("fits.bmp", 105, 129, Qt::green);
    picture("big.bmp", 100, 100, Qt::green);
    picture("long.bmp", 300, 10, Qt::green);
    list("p.ls",
         "<NEW>\r\nred.bmp\r\nRed\r\n<new>\r\nred.bmp\r\nLost\r\n <NEW>\r\nred.bmp\r\nLost too\r\n"
         "<NEW>\r\nred.bmp\r\n \r\n<NEW>\r\nred.bmp\r\nRed\r\n<NEW>\r\nred.bmp\r\nNone\r\n");
    list("k.ls", "<NEW>\r\nwide.bmp\r\nWide\r\n<NEW>\r\nfits.bmp\r\nFits\r\n<New>\r\n");
    list("b.ls", "<NEW>\r\nbig.bmp\r\nBig\r\n<NEW>\r\nlong.bmp\r\nLong\r\n");
    const Outcome outcome = cli({"check"});
    EXPECT_EQ(outcome.status, 1);
    const std::string leftOut =
        "\" starts no entry: only \"<NEW>\" does, in capitals and alone on its line, so the "
        "window leaves this entry out\n";
    const std::string takenFor =
        ", which the command line takes for it; it picks this one only by its index, ";
    EXPECT_EQ(outcome.out,
              "Cannot open file " + folder.file("e.ls") + ": the file does not exist.\n" +
                  "p.ls:4: \"<new>" + leftOut + "p.ls:7: \" <NEW>" + leftOut +
                  "warning: p.ls:10:  : the caption is empty, so the selector shows a blank line\n"
                  "warning: p.ls:13: Red: the same caption as the entry of line 1" +
                  takenFor + "3\n" +
                  "warning: p.ls:16: None: the same caption as the default entry" + takenFor +
                  "4\n" +
                  "warning: k.ls:1: Wide: picture of 120 x 140 is cut to the shirt box of 105 x "
                  "129\n"
                  "k.ls:7: \"<New>" +
                  leftOut +
                  "warning: b.ls:4: Long: picture of 300 x 10 at (0, 0) reaches past the 256 x "
                  "256 skin\n"
                  "9 entries, 4 problems, 5 warnings\n");
}

// Captions and paths are printed with their control characters escaped, so no entry can
// forge a line of list or check, nor send an escape sequence to the terminal.
TEST_F(CatalogueFolder, ListAndCheckEscapeControlCharacters) {
    list("k.ls", "<NEW>\r\nevil\tpath\x1B.bmp\r\nRed\tshirt\x1B[2J\x81\r\n");
    const std::string saved = std::setlocale(LC_CTYPE, nullptr);
    std::setlocale(LC_CTYPE, "C.UTF-8");
    const Outcome listed = cli({"list"});
    const Outcome checked = cli({"check"});
    std::setlocale(LC_CTYPE, saved.c_str());
    // The caption is no UTF-8, so it reads as Windows-1252, where 0x81 stands for the C1
    // control U+0081: escaped as the two bytes it takes in UTF-8. The path stays bytes.
    EXPECT_NE(listed.out.find("shirt\t1\tRed\\tshirt\\x1B[2J\\xC2\\x81\tevil\\tpath\\x1B.bmp\n"),
              std::string::npos)
        << listed.out;
    EXPECT_NE(
        checked.out.find("k.ls:1: Red\\tshirt\\x1B[2J\\xC2\\x81: Cannot open file " +
                         folder.file("evil\\tpath\\x1B.bmp") + ": the file does not exist.\n"),
        std::string::npos)
        << checked.out;
}

TEST_F(CatalogueFolder, AnEmptyJpegFailsToConvertAndIsReportedByCheck) {
    folder.write("empty.jpg", "");
    const Outcome converted =
        runCli({"convert", folder.file("empty.jpg"), folder.file("empty.bmp")});
    EXPECT_EQ(converted.status, 1);
    EXPECT_EQ(converted.err, "JPEG error #42.\n");
    EXPECT_THROW(folder.read("empty.bmp"), std::runtime_error);

    list("c.ls", "<NEW>\r\nempty.jpg\r\nNothing\r\n");
    const Outcome checked = cli({"check"});
    EXPECT_EQ(checked.status, 1);
    EXPECT_NE(checked.out.find("c.ls:1: Nothing: JPEG error #42.\n"), std::string::npos)
        << checked.out;
}

// A catalogue made on Windows: an 8-bit caption in Windows-1252 and a path written with
// backslashes in other letter case.
TEST_F(CatalogueFolder, WindowsCataloguesListCheckAndMatchAsTheWindowShowsThem) {
    std::filesystem::create_directories(folder.file("parts/shirts"));
    picture("parts/shirts/polo.bmp", 10, 10, Qt::green);
    list("k.ls",
         "\xEF\xBB\xBF<NEW>\r\nParts\\Shirts\\Polo.BMP\r\nPolo caf\xE9\r\n"
         "<NEW>\r\nParts\\Gone.BMP\r\nGone caf\xE9\r\n");
    const std::string saved = std::setlocale(LC_CTYPE, nullptr);
    std::setlocale(LC_CTYPE, "C.UTF-8");
    const Outcome listed = cli({"list"});
    const Outcome checked = cli({"check"});
    const Outcome rendered =
        cli({"render", "--shirt", "Polo caf\u00E9", "--output", folder.file("out.bmp")});
    std::setlocale(LC_CTYPE, "C");
    const Outcome ascii = cli({"list"});
    std::setlocale(LC_CTYPE, saved.c_str());

    EXPECT_NE(listed.out.find("shirt\t1\tPolo caf\u00E9\tParts/Shirts/Polo.BMP\n"),
              std::string::npos)
        << listed.out;
    EXPECT_NE(ascii.out.find("shirt\t1\tPolo caf?\t"), std::string::npos) << ascii.out;
    EXPECT_NE(checked.out.find("k.ls:4: Gone caf\u00E9: Cannot open file " +
                               folder.file("Parts/Gone.BMP") + ": the file does not exist.\n"),
              std::string::npos)
        << checked.out;
    EXPECT_NE(checked.out.find("5 entries, 1 problems"), std::string::npos) << checked.out;
    EXPECT_EQ(rendered.status, 0) << rendered.err;
    EXPECT_EQ(QImage(QString::fromStdString(folder.file("out.bmp"))).pixel(87, 128),
              QColor(Qt::green).rgb());
}

TEST_F(CatalogueFolder, CheckWarnsAboutPicturesPastTheSkinAndUnusedKeyColours) {
    picture("wide.bmp", 120, 44, Qt::green);  // from x = 160: 24 pixels past the skin
    QImage keyOnce(94, 172, QImage::Format_RGB32);
    keyOnce.fill(Qt::darkBlue);
    keyOnce.setPixel(0, 171, qRgb(255, 0, 255));
    keyOnce.save(QString::fromStdString(folder.file("nokey.bmp")), "BMP");
    list("e.ls", "<NEW>\r\nwide.bmp\r\nWide\r\n");
    list("j.ls", "<NEW>\r\njeans.bmp\r\nKeyed\r\n<NEW>\r\nnokey.bmp\r\nNo key\r\n");
    const Outcome outcome = cli({"check"});
    EXPECT_EQ(outcome.status, 0) << outcome.out;
    EXPECT_NE(outcome.out.find("warning: e.ls:1: Wide: picture of 120 x 44 at (160, 39)"),
              std::string::npos)
        << outcome.out;
    EXPECT_NE(outcome.out.find("warning: j.ls:4: No key: the key colour #ff00ff"),
              std::string::npos)
        << outcome.out;
    EXPECT_EQ(outcome.out.find("Keyed"), std::string::npos) << outcome.out;
    EXPECT_NE(outcome.out.find("3 entries, 0 problems, 2 warnings\n"), std::string::npos);
}

// A part whose every pixel is fully transparent draws nothing: as PNG or TGA in any slot,
// as a bitmap made only of its key colour in the jeans slot. A part with one visible pixel,
// and a bitmap in an opaque slot, draw something.
TEST_F(CatalogueFolder, CheckWarnsAboutAPartThatDrawsNothing) {
    QImage clear(40, 20, QImage::Format_ARGB32);
    clear.fill(Qt::transparent);
    const Bytes png = test::pngFile(clear);
    folder.write("clear.png", std::string(png.begin(), png.end()));
    const Bytes tga = test::tgaFile(clear);
    folder.write("clear.tga", std::string(tga.begin(), tga.end()));
    clear.setPixel(39, 19, qRgba(0, 0, 0, 1));
    const Bytes faint = test::pngFile(clear);
    folder.write("faint.png", std::string(faint.begin(), faint.end()));
    picture("key.bmp", 94, 172, Qt::magenta);
    picture("shirt.bmp", 105, 129, Qt::magenta);
    list("e.ls", "<NEW>\r\nclear.png\r\nClear\r\n<NEW>\r\nfaint.png\r\nFaint\r\n");
    list("c.ls", "<NEW>\r\nclear.tga\r\nClear chain\r\n");
    list("k.ls", "<NEW>\r\nshirt.bmp\r\nMagenta shirt\r\n");
    list("j.ls", "<NEW>\r\nkey.bmp\r\nMagenta jeans\r\n");
    const Outcome outcome = cli({"check"});
    const std::string& out = outcome.out;
    EXPECT_EQ(outcome.status, 0) << out;
    const std::string nothing = ": every pixel is fully transparent, so the part draws nothing\n";
    EXPECT_NE(out.find("warning: e.ls:1: Clear" + nothing), std::string::npos) << out;
    EXPECT_NE(out.find("warning: c.ls:1: Clear chain" + nothing), std::string::npos) << out;
    EXPECT_NE(out.find("warning: j.ls:1: Magenta jeans" + nothing), std::string::npos) << out;
    EXPECT_EQ(out.find("Faint"), std::string::npos) << out;
    EXPECT_EQ(out.find("Magenta shirt"), std::string::npos) << out;
    EXPECT_NE(out.find("5 entries, 0 problems, 3 warnings\n"), std::string::npos) << out;
}

// A picture named by several entries is decoded once, yet every entry still gets its own
// report, and a see-through slot's key check is not carried over to an opaque one.
TEST_F(CatalogueFolder, CheckReportsEveryEntryThatSharesAPicture) {
    QImage keyOnce(94, 172, QImage::Format_RGB32);
    keyOnce.fill(Qt::darkBlue);
    keyOnce.setPixel(0, 171, qRgb(255, 0, 255));
    keyOnce.save(QString::fromStdString(folder.file("nokey.bmp")), "BMP");
    list("k.ls", "<NEW>\r\nnokey.bmp\r\nShirt\r\n<NEW>\r\ngone.bmp\r\nGone shirt\r\n");
    list("j.ls",
         "<NEW>\r\nnokey.bmp\r\nFirst\r\n<NEW>\r\nnokey.bmp\r\nSecond\r\n"
         "<NEW>\r\ngone.bmp\r\nGone jeans\r\n");
    const Outcome outcome = cli({"check"});
    const std::string& out = outcome.out;
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(out.find("warning: j.ls:1: First: the key colour #ff00ff"), std::string::npos) << out;
    EXPECT_NE(out.find("warning: j.ls:4: Second: the key colour #ff00ff"), std::string::npos)
        << out;
    EXPECT_EQ(out.find("Shirt: the key colour"), std::string::npos) << out;
    const std::string gone =
        "Cannot open file " + folder.file("gone.bmp") + ": the file does not exist.\n";
    EXPECT_NE(out.find("k.ls:4: Gone shirt: " + gone), std::string::npos) << out;
    EXPECT_NE(out.find("j.ls:7: Gone jeans: " + gone), std::string::npos) << out;
    EXPECT_NE(out.find("warning: k.ls:1: Shirt: picture of 94 x 172 is cut"), std::string::npos)
        << out;
    EXPECT_NE(out.find("7 entries, 2 problems, 3 warnings\n"), std::string::npos) << out;
}

// Bytes this process has read through read() so far; -1 where the system does not say.
std::int64_t bytesReadSoFar() {
    std::ifstream io("/proc/self/io");
    std::string field;
    std::int64_t value = 0;
    while (io >> field >> value) {
        if (field == "rchar:") {
            return value;
        }
    }
    return -1;
}

// One file under many spellings (".", "..", doubled separators, a hard link, a symbolic
// link) is read and decoded once; the same file under another extension is another picture
// kind and is judged as that kind; a missing spelling still names itself.
TEST_F(CatalogueFolder, CheckDecodesAFileOnceWhateverItsSpelling) {
    QImage big(300, 300, QImage::Format_RGB32);
    big.fill(Qt::red);
    ASSERT_TRUE(big.save(QString::fromStdString(folder.file("big.bmp")), "BMP"));
    std::filesystem::create_directory(folder.file("sub"));
    std::filesystem::create_hard_link(folder.file("big.bmp"), folder.file("link.bmp"));
    std::filesystem::create_hard_link(folder.file("big.bmp"), folder.file("same.png"));
    std::filesystem::create_symlink(folder.file("big.bmp"), folder.file("sym.bmp"));
    std::string records;
    for (const char* spelling : {"big.bmp", "./big.bmp", ".//big.bmp", "sub/../big.bmp", "link.bmp",
                                 "sym.bmp", "same.png", "./gone.bmp"}) {
        records += std::string("<NEW>\r\n") + spelling + "\r\n" + spelling + "\r\n";
    }
    list("k.ls", records);
    const std::int64_t before = bytesReadSoFar();
    if (before < 0) {
        GTEST_SKIP() << "the system does not count bytes read";
    }
    const Outcome outcome = cli({"check"});
    const std::int64_t read = bytesReadSoFar() - before;
    const std::string& out = outcome.out;
    EXPECT_NE(out.find("k.ls:19: same.png: PNG image is not valid.\n"), std::string::npos) << out;
    EXPECT_NE(out.find("k.ls:22: ./gone.bmp: Cannot open file " + folder.file("./gone.bmp") +
                       ": the file does not exist."),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("11 entries, 2 problems"), std::string::npos) << out;
    // The bitmap once and the same bytes once more as a PNG, not once per spelling.
    const auto size = static_cast<std::int64_t>(std::filesystem::file_size(folder.file("big.bmp")));
    EXPECT_LT(read, 2 * size + size / 2);
}

int filesIn(const std::string& folder) {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) {
        ++count;
    }
    return count;
}

// On a full disk every line fails on its own line number, each existing skin stays as it
// was, and no temporary file is left.
TEST_F(CatalogueFolder, RecipesOnAFullDiskKeepExistingSkinsAndLeaveNoTemporaryFile) {
    TempFolder skins;
    skins.write("old.bmp", "old skin");
    folder.write("recipes.txt", skins.file("old.bmp") + " glasses=1\n" + skins.file("new.bmp") +
                                    " glasses=2\n" + skins.file("missing/x.bmp") + "\n");
    const int status = test::exitStatusOnFullDisk(
        [&] {
            const Outcome outcome = cli({"render", "--recipes", folder.file("recipes.txt")});
            const std::string r = folder.file("recipes.txt");
            const bool reported =
                outcome.err == r + ":1: Stream write error: the file is larger than allowed.\n" +
                                   r +
                                   ":2: Stream write error: the file is larger than allowed.\n" +
                                   r + ":3: Cannot create file " + skins.file("missing/x.bmp") +
                                   ": the folder does not exist.\n";
            return outcome.status == 1 && reported ? 0 : 1;
        },
        100000);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(skins.read("old.bmp"), "old skin");
    EXPECT_EQ(filesIn(skins.path()), 1);
}

// An interrupted batch, or one whose output pipe closed, takes its temporary files with it;
// the skin it would replace stays. Unnamed files leave nothing by themselves, so this takes
// the way of a file system without them, whose files have temporary names.
class EndingSignal : public testing::TestWithParam<int> {};

TEST_P(EndingSignal, RemovesEveryTemporaryFile) {
    TempFolder skins;
    skins.write("old.bmp", "old skin");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        removePendingFilesOnSignal();
        preferUnnamedFiles(false);
        const Bytes bytes = test::toBytes("new skin");
        const std::array<ByteView, 1> pieces = {ByteView(bytes)};
        PendingFile a(skins.file("old.bmp"), pieces);
        PendingFile b(skins.file("new.bmp"), pieces);
        std::raise(GetParam());
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == GetParam());
    EXPECT_EQ(skins.read("old.bmp"), "old skin");
    EXPECT_EQ(filesIn(skins.path()), 1);
}

INSTANTIATE_TEST_SUITE_P(PendingFiles, EndingSignal, testing::Values(SIGTERM, SIGPIPE),
                         [](const auto& info) {
                             return std::string(info.param == SIGPIPE ? "ClosedPipe" : "Terminate");
                         });

// Progress shows only for a batch of more than 50 lines written to a terminal.
TEST_F(CatalogueFolder, LongBatchesShowProgressOnATerminalOnly) {
    const auto batch = [&](int lines) {
        std::string text;
        for (int i = 0; i < lines; ++i) {
            text += folder.file("s" + std::to_string(i % 3) + ".bmp") +
                    " glasses=" + std::to_string(i % 3) + "\n";
        }
        folder.write("recipes.txt", text);
        return std::vector<std::string>{"render", "--folder", folder.path(), "--recipes",
                                        folder.file("recipes.txt")};
    };
    const auto errOf = [](const std::vector<std::string>& arguments, bool terminal) {
        std::ostringstream out, err;
        EXPECT_EQ(run(arguments, "/nowhere/", out, err, terminal), 0) << err.str();
        return err.str();
    };
    EXPECT_EQ(errOf(batch(50), true), "");
    EXPECT_EQ(errOf(batch(51), false), "");
    const std::string shown = errOf(batch(51), true);
    EXPECT_NE(shown.find("\rskin 1/51"), std::string::npos);
    EXPECT_NE(shown.find("\rskin 51/51"), std::string::npos);
    EXPECT_EQ(shown.back(), '\r');  // the line is blanked at the end
}

// Decoded pictures kept between skins stay within the budget, least recently used out, and
// a skin made after its pictures were dropped is the same skin.
TEST_F(CatalogueFolder, SessionKeepsDecodedPicturesWithinItsBudget) {
    SkinSession session(folder.path());
    const auto skinWith = [&](int glasses, int jeans) {
        Selection selection{};
        selection[static_cast<std::size_t>(Category::Glasses)] = glasses;
        selection[static_cast<std::size_t>(Category::Jeans)] = jeans;
        std::vector<std::string> failures;
        const QImage skin = session.compose(selection, failures);
        EXPECT_TRUE(failures.empty());
        return skin;
    };
    const QImage first = skinWith(1, 1);
    const std::size_t all = session.cachedBytes();
    EXPECT_GT(all, 94u * 172 * 4);  // the jeans' display copy at least
    session.setCacheBudget(all - 1);
    skinWith(2, 0);  // glasses 2 is the newest; the jeans were used longest ago
    EXPECT_LE(session.cachedBytes(), all - 1);
    session.setCacheBudget(0);
    EXPECT_TRUE(skinWith(1, 1) == first);
    EXPECT_EQ(session.cachedBytes(), 0u);
}

TEST(RecipeLines, ParseOutputAndQuotedEntries) {
    EXPECT_THROW(parseRecipe("a.bmp shirt=\"open", 1), UsageError);
    EXPECT_THROW(parseRecipe("a.bmp shirt", 1), UsageError);
    const Recipe good = parseRecipe("a.bmp\tshirt=\"Hawaiian shirt\"  boots=2\r", 3);
    EXPECT_EQ(good.output, "a.bmp");
    EXPECT_EQ(good.entries[static_cast<std::size_t>(Category::Shirt)], "Hawaiian shirt");
    EXPECT_EQ(good.entries[static_cast<std::size_t>(Category::Boots)], "2");
    EXPECT_FALSE(good.entries[static_cast<std::size_t>(Category::Glasses)].has_value());
}

}  // namespace
}  // namespace vestura::cli
