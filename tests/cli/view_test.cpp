// vestura-cli view: the skin on the player model, written as a PNG or BMP, from the game's
// archive or a loose file, with the same exit statuses as the other commands.
#include <gtest/gtest.h>

#include <QImage>

#include "model/rasteriser.h"
#include "tests/support/cli_run.h"
#include "tests/support/rw_writer.h"
#include "tests/support/temp_folder.h"

namespace vestura::cli {
namespace {

using test::runCli;
using Outcome = test::CliOutcome;

class ViewCommand : public ::testing::Test {
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
        std::vector<std::string> arguments{"view", "--folder", folder.path(), "--game",
                                           game.path()};
        arguments.insert(arguments.end(), options.begin(), options.end());
        return runCli(arguments);
    }
    QImage written(const std::string& name) const {
        return QImage(QString::fromStdString(out.file(name)));
    }

    test::TempFolder folder, game, out;
};

TEST_F(ViewCommand, WritesAPngOfTheModelTurnedAsAsked) {
    const Outcome front =
        view({"--skin", folder.file("cube.bmp"), "--output", out.file("front.png")});
    ASSERT_EQ(front.status, 0) << front.err;
    const QImage picture = written("front.png");
    ASSERT_EQ(picture.size(), QSize(512, 512));
    EXPECT_EQ(test::faceColour(picture.pixel(256, 256)), test::kCubeMinusZ);
    EXPECT_EQ(picture.pixel(0, 0), kViewBackground);

    ASSERT_EQ(view({"--skin", folder.file("cube.bmp"), "--yaw", "90", "--size", "64", "--output",
                    out.file("left.png")})
                  .status,
              0);
    EXPECT_EQ(test::faceColour(written("left.png").pixel(32, 32)), test::kCubePlusX);
    ASSERT_EQ(view({"--skin", folder.file("cube.bmp"), "--pitch", "60", "--size", "64", "--output",
                    out.file("top.png")})
                  .status,
              0);
    EXPECT_EQ(test::faceColour(written("top.png").pixel(32, 32)), test::kCubePlusY);
}

TEST_F(ViewCommand, ABmpNameInAnyCaseWritesA24BitBmp) {
    ASSERT_EQ(view({"--size", "32", "--output", out.file("v.BMP")}).status, 0);
    const std::string file = test::readFile(out.file("v.BMP"));
    ASSERT_GE(file.size(), 30U);
    EXPECT_EQ(file.substr(0, 2), "BM");
    EXPECT_EQ(file[28], 24);
}

TEST_F(ViewCommand, WithoutASkinThePartOptionsComposeItAsRenderDoes) {
    // The default selection shows the base skin; its picture differs from the cube skin's.
    ASSERT_EQ(view({"--size", "64", "--output", out.file("base.png")}).status, 0);
    ASSERT_EQ(
        view({"--skin", folder.file("cube.bmp"), "--size", "64", "--output", out.file("cube.png")})
            .status,
        0);
    EXPECT_NE(written("base.png"), written("cube.png"));
}

// --base composes over any picture: one of 256 x 256 shows as it is where no part covers it.
TEST_F(ViewCommand, TheBaseOptionComposesOverAnyPicture) {
    ASSERT_EQ(view({"--base", folder.file("cube.bmp"), "--colour", "shirt=#1E90FF", "--size", "64",
                    "--output", out.file("based.png")})
                  .status,
              0);
    ASSERT_EQ(
        view({"--skin", folder.file("cube.bmp"), "--size", "64", "--output", out.file("cube.png")})
            .status,
        0);
    EXPECT_EQ(written("based.png"), written("cube.png"));
}

// A list file that cannot be read is reported and the view is drawn without its category.
TEST_F(ViewCommand, AListFileThatCannotBeReadIsReportedAndTheViewDrawn) {
    std::remove(folder.file("k.ls").c_str());
    const Outcome outcome = view({"--size", "32", "--output", out.file("v.png")});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err,
              "Cannot open file " + folder.file("k.ls") + ": the file does not exist.\n");
    EXPECT_EQ(written("v.png").size(), QSize(32, 32));
}

TEST_F(ViewCommand, ALooseModelFileTakesThePlaceOfTheArchive) {
    const Bytes dff = test::writeDff(test::cubeClump(), test::kStamp33);
    test::writeFile(out.file("p.dff"), std::string(dff.begin(), dff.end()));
    const Outcome outcome =
        runCli({"view", "--folder", folder.path(), "--model", out.file("p.dff"), "--skin",
                folder.file("cube.bmp"), "--size", "64", "--output", out.file("loose.png")});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(test::faceColour(written("loose.png").pixel(32, 32)), test::kCubeMinusZ);
}

TEST_F(ViewCommand, NoModelOrADamagedOneIsStatusOneWithItsMessage) {
    test::TempFolder empty;
    const Outcome missing = runCli(
        {"view", "--folder", folder.path(), "--game", empty.path(), "--output", out.file("x.png")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "Player model not found: " + empty.path() + "models/gta3.img.\n");
    // Looked for where the settings point, the message says so, and how to name another.
    const Outcome unnamed =
        runCli({"view", "--folder", folder.path(), "--output", out.file("x.png")});
    EXPECT_EQ(unnamed.status, 1);
    EXPECT_NE(unnamed.err.find("models/gta3.img: the game folder came from the settings; give "
                               "--game DIR or --model FILE.dff.\n"),
              std::string::npos)
        << unnamed.err;
    test::writeFile(out.file("bad.dff"), "not a model");
    const Outcome damaged = runCli({"view", "--folder", folder.path(), "--model",
                                    out.file("bad.dff"), "--output", out.file("x.png")});
    EXPECT_EQ(damaged.status, 1);
    EXPECT_EQ(damaged.err.rfind("Player model is not valid", 0), 0U) << damaged.err;
}

TEST_F(ViewCommand, AModelAskingForTooMuchDrawingIsDrawnInPartAndSaysSo) {
    // 200 squares one behind the other, each filling most of the picture.
    test::RwGeometry layers;
    for (int layer = 0; layer < 200; ++layer) {
        const auto base = static_cast<std::uint16_t>(layers.positions.size());
        const float z = static_cast<float>(layer) * 1e-3F;
        for (const Vec3 p : {Vec3{-1, -1, z}, Vec3{1, -1, z}, Vec3{-1, 1, z}, Vec3{1, 1, z}}) {
            layers.positions.push_back(p);
            layers.uvs.push_back({(p.x + 1) / 2, (p.y + 1) / 2});
        }
        layers.triangles.push_back(
            {base, static_cast<std::uint16_t>(base + 1), static_cast<std::uint16_t>(base + 2)});
        layers.triangles.push_back({static_cast<std::uint16_t>(base + 1),
                                    static_cast<std::uint16_t>(base + 3),
                                    static_cast<std::uint16_t>(base + 2)});
    }
    test::RwClump clump;
    clump.frames = {test::RwFrame{}};
    clump.geometries = {layers};
    clump.atomics = {{0, 0}};
    const Bytes dff = test::writeDff(clump, test::kStamp34);
    test::writeFile(out.file("layers.dff"), std::string(dff.begin(), dff.end()));
    const Outcome outcome =
        runCli({"view", "--folder", folder.path(), "--model", out.file("layers.dff"), "--skin",
                folder.file("cube.bmp"), "--size", "1024", "--output", out.file("layers.png")});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.err, std::string(kDrawnInPart) + ".\n");
    EXPECT_NE(written("layers.png").pixel(512, 512), kViewBackground);
}

TEST(ViewUsage, BadCommandLinesAreUsageErrors) {
    const std::vector<std::vector<std::string>> bad = {
        {"view"},                                                          // no --output
        {"view", "--game", "g", "--model", "m.dff", "--output", "a.png"},  // both sources
        {"view", "--skin", "s.bmp", "--glasses", "1", "--output", "a.png"},
        {"view", "--pitch", "81", "--output", "a.png"},
        {"view", "--yaw", "left", "--output", "a.png"},
        {"view", "--size", "4097", "--output", "a.png"},
        {"view", "--size", "0", "--output", "a.png"},
        {"view", "--recipes", "r", "--output", "a.png"},
        {"view", "--output", "a.jpg"},  // only .png and .bmp are written
    };
    for (const auto& arguments : bad) {
        const Outcome outcome = runCli(arguments);
        EXPECT_TRUE(test::isUsageError(outcome))
            << ::testing::PrintToString(arguments) << outcome.err;
    }
}

}  // namespace
}  // namespace vestura::cli
