// Outfits on the command line: --base and --colour, recipe lines with base= and
// CATEGORY.colour=, and the skins folder's record of every skin written into it, which
// --recipes remakes byte for byte.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QImage>
#include <filesystem>
#include <functional>
#include <map>

#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/recipes.h"
#include "cli/skin_session.h"
#include "skin/colourise.h"
#include "skin/outfit.h"
#include "tests/support/cli_run.h"
#include "tests/support/temp_folder.h"

namespace vestura::cli {
namespace {

using test::runCli;
using test::TempFolder;
using Outcome = test::CliOutcome;

const std::string kCatalogue = VESTURA_CATALOGUE_DIR;

constexpr auto kShirt = static_cast<std::size_t>(Category::Shirt);

// The process's current folder for a while: outputs and bases are relative to it.
class InFolder {
public:
    explicit InFolder(const std::string& folder) : saved_(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~InFolder() { std::filesystem::current_path(saved_); }
    InFolder(const InFolder&) = delete;
    InFolder& operator=(const InFolder&) = delete;

private:
    std::filesystem::path saved_;
};

// A 256 x 256 picture whose every pixel differs from its neighbours, as a foreign skin.
QImage foreignSkin(int side = kSkinSize) {
    QImage image(side, side, QImage::Format_RGB32);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            image.setPixel(x, y, qRgb(x, y, (x * 5 + y * 3) & 0xFF));
        }
    }
    return image;
}

void save(const QImage& image, const std::string& path) {
    ASSERT_TRUE(image.save(QString::fromStdString(path)));
}

TEST(OutfitOptions, BadColoursAndMixesAreUsageErrorsNamingWhatIsWrong) {
    const struct {
        std::vector<std::string> arguments;
        std::string says;
    } cases[] = {
        {{"render", "--colour", "shirt", "--output", "a.bmp"},
         "--colour needs CATEGORY=#RRGGBB: shirt"},
        {{"render", "--colour", "shrit=#000000", "--output", "a.bmp"},
         "unknown category for --colour: shrit; the closest: shirt"},
        {{"render", "--colour", "shirt=#12345", "--output", "a.bmp"},
         "--colour shirt: a colour is #RRGGBB in hexadecimal, not #12345"},
        {{"view", "--color", "boots=red", "--output", "v.png"},
         "--color boots: a colour is #RRGGBB in hexadecimal, not red"},
        {{"render", "--base"}, "--base needs a value"},
        {{"render", "--recipes", "r.txt", "--base", "b.png"}, "with --recipes the entries"},
        {{"render", "--recipes", "r.txt", "--colour", "shirt=#000000"}, "with --recipes"},
        {{"view", "--skin", "s.bmp", "--colour", "shirt=#000000", "--output", "v.png"},
         "with --skin the part options, --base and --colour do not apply"},
        {{"view", "--skin", "s.bmp", "--base", "b.png", "--output", "v.png"}, "with --skin"},
    };
    for (const auto& c : cases) {
        const Outcome outcome = runCli(c.arguments);
        EXPECT_TRUE(test::isUsageError(outcome)) << outcome.err;
        EXPECT_NE(outcome.err.find(c.says), std::string::npos) << outcome.err;
    }
}

// The front end reads colours without Qt; it takes exactly what an outfit line takes.
TEST(OutfitOptions, ColoursReadAsOutfitLinesReadThem) {
    for (const std::string text : {"#1E90FF", "#a0b1c2", "#000000", "#FFFFFF", "#12345", "#1234567",
                                   "#GG0000", "red", "#-12345", "# 12345", "1E90FF#", "#+1E90F"}) {
        std::optional<QRgb> fromLine;
        try {
            fromLine = parseColour(text);
        } catch (const OutfitLineError&) {
        }
        std::optional<QRgb> fromOption;
        try {
            fromOption =
                parseCommandLine({"render", "--colour", "SHIRT=" + text, "--output", "a.bmp"})
                    .colours[kShirt];
        } catch (const UsageError&) {
        }
        EXPECT_EQ(fromOption, fromLine) << text;
    }
}

TEST(OutfitRecipes, LinesTakeBaseAndColoursAndBadOnesSayWhyByLine) {
    TempFolder work;
    work.write("recipes.txt",
               "a.bmp shirt=1 base=\"my base.png\" SHIRT.color=#a0b1c2 boots.colour=#000000\n"
               "b.bmp shrit.colour=#000000\n"
               "c.bmp shirt.colour=blue\n"
               "d.txt shirt=1\n"
               "e.bmp shirt=\"a\"\"b\"\n");
    const std::vector<Recipe> recipes = readRecipes(work.file("recipes.txt"));
    ASSERT_EQ(recipes.size(), 5u);
    EXPECT_EQ(recipes[0].error, "");
    EXPECT_EQ(recipes[0].base, "my base.png");
    EXPECT_EQ(recipes[0].colours[kShirt], 0xFFA0B1C2u);
    EXPECT_EQ(recipes[0].colours[static_cast<std::size_t>(Category::Boots)], 0xFF000000u);
    EXPECT_EQ(recipes[1].error,
              "unknown category shrit in shrit.colour=#000000; the closest: shirt");
    EXPECT_EQ(recipes[2].error, "a colour is #RRGGBB in hexadecimal, not blue");
    EXPECT_EQ(recipes[3].error, "the output must be FILE.bmp or FILE.png: d.txt");
    EXPECT_EQ(recipes[4].entries[kShirt], "a\"b");

    const Outcome batch =
        runCli({"render", "--folder", kCatalogue, "--recipes", work.file("recipes.txt")});
    const std::string r = work.file("recipes.txt");
    EXPECT_EQ(batch.status, 1);
    EXPECT_NE(batch.err.find(r + ":1: Base skin my base.png: Cannot open file my base.png"),
              std::string::npos)
        << batch.err;
    EXPECT_NE(batch.err.find(r + ":2: unknown category shrit in shrit.colour=#000000; the "
                                 "closest: shirt.\n"),
              std::string::npos)
        << batch.err;
}

// A foreign skin as the base: one of 256 x 256 is the skin exactly where no part covers it,
// one of another size is scaled to fill it; a part takes its colour over it.
TEST(OutfitRender, AForeignSkinIsTheBaseAndAPartTakesItsColour) {
    TempFolder work;
    const QImage foreign = foreignSkin();
    save(foreign, work.file("foreign.png"));
    QImage small(64, 64, QImage::Format_RGB32);
    small.fill(qRgb(200, 30, 90));
    save(small, work.file("small.bmp"));

    ASSERT_EQ(runCli({"render", "--folder", kCatalogue, "--base", work.file("foreign.png"),
                      "--output", work.file("bare.bmp")})
                  .status,
              0);
    EXPECT_EQ(
        QImage(QString::fromStdString(work.file("bare.bmp"))).convertToFormat(QImage::Format_RGB32),
        foreign);
    ASSERT_EQ(runCli({"render", "--folder", kCatalogue, "--base", work.file("small.bmp"),
                      "--output", work.file("scaled.bmp")})
                  .status,
              0);
    EXPECT_EQ(QImage(QString::fromStdString(work.file("scaled.bmp"))).pixel(128, 128),
              qRgb(200, 30, 90));

    // The shipped polo (entry 3) is one flat colour: coloured, it keeps its lightness.
    const auto shirtPixel = [&](const std::vector<std::string>& colour) {
        std::vector<std::string> arguments{"render", "--folder", kCatalogue, "--shirt", "3"};
        arguments.insert(arguments.end(), colour.begin(), colour.end());
        arguments.insert(arguments.end(), {"--output", work.file("shirt.bmp")});
        const Outcome outcome = runCli(arguments);
        EXPECT_EQ(outcome.status, 0) << outcome.err;
        // Inside the shirt box, away from its edges.
        return QImage(QString::fromStdString(work.file("shirt.bmp"))).pixel(140, 200);
    };
    const QRgb plain = shirtPixel({});
    const QRgb blue = shirtPixel({"--colour", "shirt=#1E90FF"});
    EXPECT_EQ(blue, colourisedPixel(plain, 0xFF1E90FF));
    EXPECT_NE(blue, plain);

    // A skin is never drawn over its own base, which could then never be made again the same:
    // refused on the command line and as a recipes line, the picture left as it was.
    const std::string bare = work.read("bare.bmp");
    const Outcome own = runCli({"render", "--folder", kCatalogue, "--shirt", "1", "--base",
                                work.file("bare.bmp"), "--output", work.file("bare.bmp")});
    EXPECT_TRUE(test::isUsageError(own)) << own.err;
    EXPECT_NE(own.err.find("the output is the --base picture: " + work.file("bare.bmp")),
              std::string::npos);
    work.write("own.txt", work.file("bare.bmp") + " shirt=1 base=" + work.file("bare.bmp") + "\n");
    const Outcome line =
        runCli({"render", "--folder", kCatalogue, "--recipes", work.file("own.txt")});
    EXPECT_EQ(line.status, 1);
    EXPECT_NE(line.err.find(":1: the output is its base picture"), std::string::npos) << line.err;
    EXPECT_EQ(work.read("bare.bmp"), bare);
}

// A game folder: gta-vc.exe beside a skins folder.
class GameSkins : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(places.file("game/skins"));
        places.write("game/gta-vc.exe", "MZ");
        skins = places.file("game/skins/");
        save(foreignSkin(), places.file("foreign.png"));
    }
    Outcome render(std::vector<std::string> options) {
        std::vector<std::string> arguments{"render", "--folder", kCatalogue};
        arguments.insert(arguments.end(), options.begin(), options.end());
        return runCli(arguments);
    }
    std::string record() const { return test::readFile(skins + "outfits.txt"); }

    TempFolder places;
    std::string skins;
};

std::map<std::string, std::string> skinFilesIn(const std::string& folder) {
    std::map<std::string, std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() == ".bmp") {
            found[entry.path().filename().string()] = test::readFile(entry.path().string());
        }
    }
    return found;
}

// Skins written into the skins folder, alone and in a batch longer than a group, with bases
// and colours, are remade byte for byte by --recipes outfits.txt run in that folder; the
// record is the same afterwards and doctor passes over it.
TEST_F(GameSkins, TheRecordRemakesEverySkinByteForByte) {
    const Outcome tommy = render({"--glasses", "1",
                                  "--beard",   "2",
                                  "--chain",   "1",
                                  "--watch",   "2",
                                  "--shirt",   "hawaiian SHIRT",
                                  "--jeans",   "1",
                                  "--boots",   "1",
                                  "--base",    places.file("foreign.png"),
                                  "--colour",  "shirt=#1E90FF",
                                  "--colour",  "jeans=#00A000",
                                  "--colour",  "boots=#FFFFFF",
                                  "--output",  skins + "Tommy.bmp"});
    ASSERT_EQ(tommy.status, 0) << tommy.err;
    const std::string tommyLine = record();
    EXPECT_NE(tommyLine.find("Tommy.bmp "), std::string::npos) << tommyLine;
    EXPECT_NE(tommyLine.find(" shirt=\"Hawaiian shirt\""), std::string::npos) << tommyLine;
    EXPECT_NE(tommyLine.find(" base=" + places.file("foreign.png")), std::string::npos);
    EXPECT_NE(tommyLine.find(" shirt.colour=#1E90FF jeans.colour=#00A000 boots.colour=#FFFFFF\n"),
              std::string::npos)
        << tommyLine;

    // A batch from elsewhere, its base relative to the current folder; one skin twice.
    std::string recipes;
    for (int i = 0; i < 70; ++i) {
        recipes +=
            skins + "s" + std::to_string(i) + ".bmp glasses=" + std::to_string(i % 7) +
            " shirt=" + std::to_string(i % 6) + (i % 2 ? " base=foreign.png" : "") +
            (i % 3 ? " shirt.colour=#" + std::string(i % 3 == 1 ? "FF8000" : "123456") : "") + "\n";
    }
    recipes += skins + "s5.bmp boots=2 watch.colour=#FF00FF\n";
    places.write("recipes.txt", recipes);
    {
        const InFolder inPlaces(places.path());
        const Outcome batch = render({"--recipes", "recipes.txt"});
        ASSERT_EQ(batch.status, 0) << batch.err;
    }
    EXPECT_NE(record().find("\ns5.bmp boots=\"White sneakers\" watch.colour=#FF00FF\n"),
              std::string::npos)
        << record();
    EXPECT_NE(
        record().find("\ns1.bmp glasses=\"Aviator sunglasses\" shirt=\"Hawaiian shirt\" base=" +
                      places.file("foreign.png") + " shirt.colour=#FF8000\n"),
        std::string::npos)
        << record();

    const std::map<std::string, std::string> made = skinFilesIn(skins);
    ASSERT_EQ(made.size(), 71u);
    const std::string recorded = record();
    for (const auto& [name, bytes] : made) {
        std::filesystem::remove(skins + name);
    }
    {
        const InFolder inSkins(skins);
        const Outcome remade = render({"--recipes", "outfits.txt"});
        ASSERT_EQ(remade.status, 0) << remade.err;
    }
    const std::map<std::string, std::string> again = skinFilesIn(skins);
    ASSERT_EQ(again.size(), made.size());
    for (const auto& [name, bytes] : made) {
        EXPECT_TRUE(again.at(name) == bytes) << name;
    }
    EXPECT_EQ(record(), recorded);
    const Outcome doctor = runCli({"doctor", "--game", places.file("game")});
    EXPECT_EQ(doctor.status, 0) << doctor.out;
    EXPECT_EQ(doctor.out.find("outfits"), std::string::npos) << doctor.out;
}

// A record that cannot take the outfit leaves the skin written, says why, and exits 1; the
// record and anything a link in its place leads to stay as they were.
TEST_F(GameSkins, ARecordThatCannotBeWrittenNeverUndoesTheSkin) {
    places.write("victim.txt", "precious\n\nlines\n");
    std::string atCap;
    for (std::size_t i = 0; i < kMaxOutfits; ++i) {
        atCap += "s" + std::to_string(i) + ".bmp\n";
    }
    places.write("line break\nbase.png", test::readFile(places.file("foreign.png")));
    const struct {
        std::string name;
        std::function<void()> make;
        std::vector<std::string> options;
        std::string says;
    } cases[] = {
        {"link",
         [&] { std::filesystem::create_symlink(places.file("victim.txt"), skins + "outfits.txt"); },
         {},
         "Cannot create file " + skins + "outfits.txt: a symbolic link is in the way"},
        {"fifo",
         [&] { ASSERT_EQ(mkfifo((skins + "outfits.txt").c_str(), 0600), 0); },
         {},
         "Cannot create file " + skins + "outfits.txt: it is not a regular file"},
        {"folder",
         [&] { std::filesystem::create_directory(skins + "outfits.txt"); },
         {},
         "it is not a regular file"},
        {"huge",
         [&] { test::writeFile(skins + "outfits.txt", std::string(kMaxOutfitFileBytes + 1, 'a')); },
         {},
         "Outfits file " + skins + "outfits.txt is larger than 4 MiB"},
        {"full",
         [&] { test::writeFile(skins + "outfits.txt", atCap); },
         {},
         "Outfits file " + skins + "outfits.txt would hold more than 10000 recipes"},
        {"line break",
         [] {},
         {"--base", places.file("line break\nbase.png")},
         "a line break in its outfit, which no outfit line can hold"},
    };
    for (const auto& c : cases) {
        std::filesystem::remove_all(skins);
        std::filesystem::create_directory(skins);
        c.make();
        struct stat before {};
        lstat((skins + "outfits.txt").c_str(), &before);
        const std::string held = S_ISREG(before.st_mode) ? record() : std::string();
        std::vector<std::string> options = c.options;
        options.insert(options.end(), {"--glasses", "1", "--output", skins + "New.bmp"});
        const Outcome outcome = render(options);
        EXPECT_EQ(outcome.status, 1) << c.name;
        EXPECT_EQ(outcome.err.find(skins + "New.bmp is written, but its outfit is not recorded: "),
                  0u)
            << c.name << ": " << outcome.err;
        EXPECT_NE(outcome.err.find(c.says), std::string::npos) << c.name << ": " << outcome.err;
        EXPECT_EQ(test::readFile(skins + "New.bmp").size(), 197686u) << c.name;
        if (S_ISREG(before.st_mode)) {
            EXPECT_TRUE(record() == held) << c.name;
        }
    }
    EXPECT_EQ(places.read("victim.txt"), "precious\n\nlines\n");

    // A batch reports each skin its record did not take, on its line.
    std::filesystem::remove(skins + "New.bmp");
    ASSERT_EQ(mkfifo((skins + "outfits.txt").c_str(), 0600), 0);
    places.write("recipes.txt", skins + "a.bmp\n" + skins + "b.bmp glasses=1\n");
    const Outcome batch = render({"--recipes", places.file("recipes.txt")});
    EXPECT_EQ(batch.status, 1);
    EXPECT_NE(batch.err.find("recipes.txt:1: " + skins + "a.bmp is written, but its outfit"),
              std::string::npos)
        << batch.err;
    EXPECT_NE(batch.err.find("recipes.txt:2: " + skins + "b.bmp is written, but its outfit"),
              std::string::npos)
        << batch.err;
    EXPECT_EQ(test::readFile(skins + "b.bmp").size(), 197686u);
}

// A part that fails while it draws (an empty JPEG decodes then) is reported for every skin
// that shows it, coloured or not, although its coloured copy is made once.
TEST(OutfitRecipes, APartThatFailsToDrawIsReportedForEverySkin) {
    TempFolder folder;
    for (const char* name : {"e.ls", "p.ls", "c.ls", "h.ls", "j.ls", "b.ls"}) {
        folder.write(name, "");
    }
    folder.write("k.ls", "<NEW>\r\nempty.jpg\r\nNothing\r\n");
    folder.write("empty.jpg", "");
    std::string lines;
    for (const char* colour : {"", "", " shirt.colour=#FF0000", " shirt.colour=#FF0000"}) {
        lines += folder.file("s.bmp") + " shirt=1" + colour + "\n";
    }
    folder.write("recipes.txt", lines);
    const Outcome batch =
        runCli({"render", "--folder", folder.path(), "--recipes", folder.file("recipes.txt")});
    EXPECT_EQ(batch.status, 1);
    std::string expected;
    for (int line = 1; line <= 4; ++line) {
        expected += folder.file("recipes.txt") + ":" + std::to_string(line) + ": JPEG error #42.\n";
    }
    EXPECT_EQ(batch.err, expected);
}

// A skins folder's record may come with a skin pack: its lines write only into the current
// folder. A recipes file of the same name elsewhere takes any output.
TEST_F(GameSkins, ARecordWritesNothingOutsideTheCurrentFolder) {
    test::writeFile(skins + "outfits.txt",
                    "../../escaped.bmp\n" + places.file("abs.bmp") + "\n./dot.bmp\nkept.bmp\n");
    places.write("outfits.txt", places.file("elsewhere.bmp") + "\n");
    const InFolder inSkins(skins);
    const Outcome remade = render({"--recipes", "outfits.txt"});
    EXPECT_EQ(remade.status, 1);
    EXPECT_NE(remade.err.find("outfits.txt:1: a skins folder's record names its skins by file "
                              "name, not ../../escaped.bmp.\n"),
              std::string::npos)
        << remade.err;
    EXPECT_NE(remade.err.find("outfits.txt:2: "), std::string::npos);
    EXPECT_NE(remade.err.find("outfits.txt:3: "), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(places.file("escaped.bmp")));
    EXPECT_FALSE(std::filesystem::exists(places.file("abs.bmp")));
    EXPECT_EQ(test::readFile(skins + "kept.bmp").size(), 197686u);
    EXPECT_EQ(render({"--recipes", places.file("outfits.txt")}).status, 0);
    EXPECT_EQ(places.read("elsewhere.bmp").size(), 197686u);
}

// A part's coloured copy is made when its entry or colour changes, not for every skin.
TEST(OutfitSession, ColoursAPartOncePerEntryAndColour) {
    SkinSession session(kCatalogue);
    Selection selection{};
    selection[kShirt] = 1;
    PartColours colours;
    colours[kShirt] = 0xFF1E90FF;
    std::vector<std::string> failures;
    const auto copyAfter = [&] {
        session.setColours(colours);
        session.compose(selection, failures);
        return session.preview().slot(Category::Shirt).coloured.cacheKey();
    };
    const qint64 first = copyAfter();
    selection[static_cast<std::size_t>(Category::Glasses)] = 2;
    EXPECT_EQ(copyAfter(), first);
    colours[kShirt] = 0xFF00FF00;
    const qint64 recoloured = copyAfter();
    EXPECT_NE(recoloured, first);
    selection[kShirt] = 2;
    EXPECT_NE(copyAfter(), recoloured);
    EXPECT_TRUE(failures.empty());
}

}  // namespace
}  // namespace vestura::cli
