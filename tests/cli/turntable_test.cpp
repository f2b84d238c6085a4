// vestura-cli view --turntable: one whole turn as an animated WebP, GIF or PNG, frame k the
// picture `view --yaw` draws at that angle; every number bounded and named in its error;
// the output written safely, a pipe or device taken as view takes it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QImage>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <thread>

#include "model/rasteriser.h"
#include "tests/support/animation_decoder.h"
#include "tests/support/cli_run.h"
#include "tests/support/full_disk.h"
#include "tests/support/rw_writer.h"
#include "tests/support/temp_folder.h"

namespace vestura::cli {
namespace {

using test::runCli;
using Outcome = test::CliOutcome;

int squaredDistance(QRgb a, QRgb b) {
    const int r = qRed(a) - qRed(b), g = qGreen(a) - qGreen(b), bl = qBlue(a) - qBlue(b);
    return r * r + g * g + bl * bl;
}

// Every pixel of `shown` is a colour of the palette as near to `truth`'s as any.
bool nearestInPalette(const QImage& shown, const QImage& truth, const std::vector<QRgb>& palette) {
    for (int y = 0; y < truth.height(); ++y) {
        for (int x = 0; x < truth.width(); ++x) {
            int best = std::numeric_limits<int>::max();
            for (const QRgb colour : palette) {
                best = std::min(best, squaredDistance(colour, truth.pixel(x, y)));
            }
            if (squaredDistance(shown.pixel(x, y), truth.pixel(x, y)) != best) {
                return false;
            }
        }
    }
    return true;
}

class Turntable : public ::testing::Test {
protected:
    void SetUp() override {
        test::writeArchive(game.path(),
                           {{"player.dff", test::writeDff(test::cubeClump(), test::kStamp34)}});
        ASSERT_TRUE(test::cubeSkin().save(QString::fromStdString(folder.file("cube.bmp")), "BMP"));
        for (const char* name : {"e.ls", "p.ls", "c.ls", "h.ls", "k.ls", "b.ls", "j.ls"}) {
            folder.write(name, "");
        }
    }
    Outcome view(std::vector<std::string> options) {
        std::vector<std::string> arguments{
            "view",      "--folder", folder.path(),           "--game",
            game.path(), "--skin",   folder.file("cube.bmp"), "--size",
            "48"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        return runCli(arguments);
    }
    // The still view at `yaw`, given as `view --yaw` reads it.
    QImage still(double yaw, const std::string& pitch = "0") {
        char text[40];
        std::snprintf(text, sizeof text, "%.17g", yaw);
        const std::string path = out.file("still.png");
        EXPECT_EQ(view({"--yaw", text, "--pitch", pitch, "--output", path}).status, 0);
        return QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_RGB32);
    }

    test::TempFolder folder, game, out;
};

TEST_F(Turntable, FrameKOfEveryFormatIsTheViewTurnedByKStepsLoopingForever) {
    const struct {
        std::string name;
        std::vector<std::string> options;
        int frames;
        double firstYaw;
    } cases[] = {
        {"turn.webp", {}, 36, 0},
        {"turn.gif", {"--frames", "8", "--fps", "25"}, 8, 0},
        {"turn.png", {"--frames", "7", "--yaw", "10", "--pitch", "30"}, 7, 10},
        {"TURN.WEBP", {"--frames", "4", "--fps", "1"}, 4, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> options = c.options;
        options.insert(options.end(), {"--turntable", "--output", out.file(c.name)});
        const Outcome outcome = view(options);
        ASSERT_EQ(outcome.status, 0) << outcome.err;
        EXPECT_EQ(outcome.err, "");
        const test::DecodedAnimation decoded = test::decodeAnimationFile(out.file(c.name));
        ASSERT_EQ(static_cast<int>(decoded.frames.size()), c.frames);
        EXPECT_EQ(decoded.loops, 0);
        const std::string pitch = c.name == "turn.png" ? "30" : "0";
        for (int k = 0; k < c.frames; ++k) {
            const QImage truth = still(c.firstYaw + 360.0 * k / c.frames, pitch);
            const QImage& shown = decoded.frames[static_cast<std::size_t>(k)];
            if (c.name.ends_with(".gif")) {
                EXPECT_TRUE(nearestInPalette(shown, truth, decoded.palette)) << "frame " << k;
            } else {
                EXPECT_EQ(shown, truth) << "frame " << k;
            }
        }
        // The loop closes without a repeated picture.
        EXPECT_NE(decoded.frames.back(), decoded.frames.front());
    }
}

TEST_F(Turntable, TheNameSaysTheFormatInAnyCase) {
    ASSERT_EQ(view({"--turntable", "--frames", "4", "--output", out.file("a.WebP")}).status, 0);
    ASSERT_EQ(view({"--turntable", "--frames", "4", "--output", out.file("a.Gif")}).status, 0);
    ASSERT_EQ(view({"--turntable", "--frames", "4", "--output", out.file("a.PNG")}).status, 0);
    EXPECT_EQ(out.read("a.WebP").substr(8, 4), "WEBP");
    EXPECT_EQ(out.read("a.Gif").substr(0, 6), "GIF89a");
    EXPECT_NE(out.read("a.PNG").find("acTL"), std::string::npos);
}

TEST_F(Turntable, APipeOrDeviceTakesAnAnimatedPngAsViewTakesAPng) {
    EXPECT_EQ(view({"--turntable", "--frames", "4", "--output", "/dev/null"}).status, 0);

    const std::string pipe = out.file("pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = test::readFile(pipe); });
    const Outcome outcome = view({"--turntable", "--frames", "4", "--output", pipe});
    reader.join();
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    const test::DecodedAnimation decoded = test::decodeApng(test::toBytes(received));
    EXPECT_EQ(decoded.frames.size(), 4U);

    // With no reader neither waits: both fail the same way.
    const Outcome stillToPipe = view({"--output", pipe});
    const Outcome turnToPipe = view({"--turntable", "--frames", "4", "--output", pipe});
    EXPECT_EQ(stillToPipe.status, 1);
    EXPECT_EQ(turnToPipe.status, stillToPipe.status);
    EXPECT_EQ(turnToPipe.err, stillToPipe.err);
}

TEST_F(Turntable, AFullDiskKeepsTheOldFileAndLeavesNoTemporaryFile) {
    out.write("old.webp", "old animation");
    const int status = test::exitStatusOnFullDisk(
        [&] {
            const Outcome outcome = view({"--turntable", "--output", out.file("old.webp")});
            return outcome.status == 1 && outcome.err.starts_with("Stream write error") ? 0 : 1;
        },
        2000);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out.read("old.webp"), "old animation");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out.path()),
                            std::filesystem::directory_iterator()),
              1);
}

// A game's skins folder takes skins, not animations, and says so, also through a link named
// for an animation that leads to a skin there; the skin stays as it was.
TEST_F(Turntable, AGamesSkinsFolderRefusesTheAnimationByItsRule) {
    std::filesystem::create_directories(game.file("Skins"));
    game.write("gta-vc.exe", "MZ");
    game.write("Skins/Tommy.bmp", "a skin");
    std::filesystem::create_symlink(game.file("Skins/Tommy.bmp"), out.file("link.gif"));
    for (const std::string& output : {game.file("Skins/turn.webp"), out.file("link.gif")}) {
        const Outcome outcome = view({"--turntable", "--output", output});
        EXPECT_TRUE(test::isUsageError(outcome)) << outcome.err;
        EXPECT_NE(outcome.err.find(": the game's skins folder takes only .bmp skins"),
                  std::string::npos)
            << outcome.err;
    }
    EXPECT_EQ(game.read("Skins/Tommy.bmp"), "a skin");
}

// What a turn can never write is refused before any frame is drawn: a missing folder; and
// no view is drawn over the picture it shows. A model that would take more drawing than a turn allows stops it after
// its first frame, saying how many frames it allows; fewer frames go through.
TEST_F(Turntable, AnImpossibleOutputOrATooCostlyModelIsRefusedBeforeTheWork) {
    const Outcome missing = view({"--turntable", "--output", out.file("none/turn.webp")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err,
              "Cannot create file " + out.file("none/turn.webp") + ": the folder does not exist.\n");
    const Outcome overSkin = view({"--output", folder.file("cube.bmp")});
    EXPECT_TRUE(test::isUsageError(overSkin));
    EXPECT_NE(overSkin.err.find("the output is the --skin picture"), std::string::npos);

    // A flat grid of 16,200 triangles: a 360-frame GIF (720 views) passes the work a batch
    // may take, a 36-frame one does not.
    test::RwClump grid = test::cubeClump();
    test::RwGeometry& sheet = grid.geometries[0];
    sheet = {};
    constexpr int kSide = 90;
    for (int y = 0; y <= kSide; ++y) {
        for (int x = 0; x <= kSide; ++x) {
            sheet.positions.push_back({x / float{kSide} - 0.5F, y / float{kSide} - 0.5F, 0});
            sheet.uvs.push_back({x / float{kSide}, y / float{kSide}});
        }
    }
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            const auto at = [&](int dx, int dy) {
                return static_cast<std::uint16_t>((y + dy) * (kSide + 1) + x + dx);
            };
            sheet.triangles.push_back({at(0, 0), at(1, 0), at(1, 1)});
            sheet.triangles.push_back({at(0, 0), at(1, 1), at(0, 1)});
        }
    }
    const Bytes dff = test::writeDff(grid, test::kStamp34);
    test::writeFile(out.file("grid.dff"), std::string(dff.begin(), dff.end()));
    const auto turn = [&](const std::string& frames) {
        return runCli({"view", "--folder", folder.path(), "--model", out.file("grid.dff"), "--skin",
                       folder.file("cube.bmp"), "--size", "16", "--turntable", "--frames", frames,
                       "--output", out.file("grid.gif")});
    };
    const Outcome tooCostly = turn("360");
    EXPECT_EQ(tooCostly.status, 1);
    EXPECT_EQ(tooCostly.err.rfind("This turntable asks for more drawing than one allows: with "
                                  "this player model, at most ",
                                  0),
              0U)
        << tooCostly.err;
    EXPECT_FALSE(std::filesystem::exists(out.file("grid.gif")));
    EXPECT_EQ(turn("36").status, 0);
}

TEST(TurntableUsage, EveryNumberAndNameIsBoundedAndNamedInItsError) {
    const struct {
        std::vector<std::string> options;
        std::string named;  // what the error must name
    } bad[] = {
        {{"--frames", "3"}, "--frames needs a whole number from 4 to 360: 3"},
        {{"--frames", "361"}, "--frames needs a whole number from 4 to 360: 361"},
        {{"--frames", "ten"}, "--frames"},
        {{"--fps", "0"}, "--fps needs a whole number from 1 to 50: 0"},
        {{"--fps", "51"}, "--fps needs a whole number from 1 to 50: 51"},
        {{"--fps", "12.5"}, "--fps"},
        {{"--quality", "101"}, "--quality needs a whole number from 0 to 100: 101"},
        {{"--quality", "-1"}, "--quality"},
        {{"--size", "0"}, "--size needs a whole number from 1 to 4096: 0"},
        {{"--frames", "37", "--size", "1024"},
         "at most 36 x 1024 x 1024 pixels (--frames x --size x --size), not 37 x 1024 x 1024"},
        {{"--frames", "360", "--size", "324"}, "not 360 x 324 x 324; 360 frames take --size 323 at most"},
        {{"--frames", "4", "--size", "4096"}, "4 frames take --size 3072 at most"},
        {{"--frames", "37", "--size", "1024"}, "37 frames take --size 1010 at most"},
        {{"--size", "1025"}, "not 36 x 1025 x 1025"},
        {{"--quality", "80", "--output", "a.gif"}, "--quality goes with a .webp output only"},
        {{"--output", "a.bmp"}, "FILE.webp, FILE.gif or FILE.png: a.bmp"},
        {{"--output", "a.apng"}, "FILE.webp, FILE.gif or FILE.png: a.apng"},
        {{"--frames"}, "--frames needs a value"},
        {{"--frames", "4", "--size", "2561"}, "a lossless WebP's --size is at most 2560, not 2561"},
    };
    for (const auto& [options, named] : bad) {
        std::vector<std::string> arguments{"view", "--turntable"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        if (std::find(options.begin(), options.end(), "--output") == options.end() &&
            options.size() > 1) {
            arguments.insert(arguments.end(), {"--output", "a.webp"});
        }
        const Outcome outcome = runCli(arguments);
        EXPECT_TRUE(test::isUsageError(outcome))
            << ::testing::PrintToString(arguments) << outcome.err;
        EXPECT_NE(outcome.err.find(named), std::string::npos) << outcome.err;
    }
    // The turntable's options without the turntable, and the largest turns within budget.
    // The turntable's options without the turntable, each named; an animation's name, with
    // what makes one.
    for (const auto& [options, named] :
         std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"--frames", "8", "--output", "a.png"}, "--frames goes with --turntable"},
             {{"--fps", "8", "--output", "a.png"}, "--fps goes with --turntable"},
             {{"--quality", "8", "--output", "a.png"}, "--quality goes with --turntable"},
             {{"--output", "a.webp"},
              "FILE.bmp or FILE.png: a.webp; --turntable writes an animation"},
             {{"--output", "a.GIF"}, "a.GIF; --turntable writes an animation"},
             {{"--output", "a.jpg"}, "FILE.bmp or FILE.png: a.jpg\n"}}) {
        std::vector<std::string> arguments{"view"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        const Outcome outcome = runCli(arguments);
        EXPECT_TRUE(test::isUsageError(outcome)) << outcome.err;
        EXPECT_NE(outcome.err.find(named), std::string::npos) << outcome.err;
    }
    EXPECT_TRUE(test::isUsageError(runCli({"view", "--turntable"})));
    for (const auto& fits : {std::vector<std::string>{"--frames", "360", "--size", "323"},
                             {"--frames", "36", "--size", "1024"},
                             {"--frames", "4", "--size", "3072", "--quality", "80"}}) {
        std::vector<std::string> arguments{"view", "--turntable", "--output", "a.webp"};
        arguments.insert(arguments.end(), fits.begin(), fits.end());
        EXPECT_NO_THROW(parseCommandLine(arguments)) << ::testing::PrintToString(fits);
    }
}

}  // namespace
}  // namespace vestura::cli
