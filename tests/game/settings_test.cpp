// The settings file: the start-up step, the folder chosen in the dialog and storing it.
#include "game/settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <filesystem>
#include <vector>

#include "common/errors.h"
#include "common/platform.h"
#include "tests/support/made_up_home.h"
#include "tests/support/temp_folder.h"

namespace vestura {
namespace {

using test::readFile;
using test::TempFolder;
using test::writeFile;

// XDG_CONFIG_HOME pointed at a folder of the test's own for its life.
class UserConfig {
public:
    UserConfig() : saved_(qgetenv("XDG_CONFIG_HOME")) {
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(dir_.path() + "config"));
    }
    ~UserConfig() { qputenv("XDG_CONFIG_HOME", saved_); }
    std::string settings() const { return dir_.path() + "config/vestura/vestu.cfg"; }

private:
    TempFolder dir_;
    QByteArray saved_;
};

std::vector<std::string> noInstalls() {
    return {};
}

// Where the start-up folder comes from: the settings when their folder holds the game, else
// the first install found, else what the settings named, else the default.
TEST(SettingsStep, TakesTheSettingsOrTheFirstInstallFound) {
    const UserConfig config;
    TempFolder game;
    game.write("GTA-VC.EXE", "MZ");  // any letter case
    TempFolder noGame;
    const std::vector<std::string> found{"/steam/vc/", "/wine/vc/"};
    struct Case {
        const char* name;
        const char* settings;  // nullptr: no settings file
        std::vector<std::string> installs;
        std::string folder;
        bool store;
        bool searched;
    } cases[] = {
        {"FirstStartNothingFound", nullptr, {}, platform::defaultGameFolder(), true, true},
        {"FirstStartTakesFirstFound", nullptr, found, "/steam/vc/", true, true},
        {"SettingsWithTheGameKept", "game", found, game.path(), false, false},
        {"SettingsWithoutTheGameReplaced", "nogame", found, "/steam/vc/", true, true},
        {"SettingsWithoutTheGameKeptWhenNoneFound", "nogame", {}, noGame.path(), false, true},
        {"SettingsWithoutTheFinalSeparatorCompleted", "game-", found, game.path(), true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder program;
        if (c.settings != nullptr) {
            std::string named = std::string(c.settings) == "nogame" ? noGame.path() : game.path();
            if (std::string(c.settings) == "game-") {
                named.pop_back();  // no final separator
            }
            program.write("vestu.cfg", named + "\r\n");
        }
        bool searched = false;
        LineBuffer memo;
        const StartFolder start = settingsStep(program.path(), memo, [&] {
            searched = true;
            return c.installs;
        });
        EXPECT_EQ(start.folder, c.folder);
        EXPECT_EQ(start.store, c.store);
        EXPECT_EQ(searched, c.searched);
        EXPECT_EQ(start.installsFound, searched ? c.installs.size() : 0U);
        EXPECT_EQ(start.holdsGame, c.folder == game.path());
        // The step only reads.
        EXPECT_EQ(std::filesystem::exists(program.file("vestu.cfg")), c.settings != nullptr);
    }
}

// The CLI's folder is the window's: with no settings, the first install found under $HOME.
TEST(GameFolderFromSettings, TakesTheFirstInstallFoundAsTheWindowWould) {
    const UserConfig config;
    test::MadeUpHome home;
    home.game("lib/steamapps/common/Grand Theft Auto Vice City");
    home.file(".local/share/Steam/steamapps/libraryfolders.vdf",
              "\"libraryfolders\" { \"1\" { \"path\" \"" + home.path("lib") + "\" } }");
    const test::HomeVariables variables(home.home());
    TempFolder program;
    EXPECT_EQ(gameFolderFromSettings(program.path()),
              home.path("lib/steamapps/common/Grand Theft Auto Vice City/"));
    EXPECT_FALSE(std::filesystem::exists(program.file("vestu.cfg")));  // read only
}

// The program folder's settings are read first; the user's only when it has none.
TEST(SettingsStep, ReadsTheUsersSettingsWhenTheProgramFolderHasNone) {
    const UserConfig config;
    TempFolder program;
    std::filesystem::create_directories(std::filesystem::path(config.settings()).parent_path());
    writeFile(config.settings(), "/user/vc/\r\n");
    LineBuffer memo;
    EXPECT_EQ(settingsStep(program.path(), memo, noInstalls).folder, "/user/vc/");
    EXPECT_EQ(gameFolderFromSettings(program.path()), "/user/vc/");
    program.write("vestu.cfg", "/own/vc/\r\n");
    EXPECT_EQ(settingsStep(program.path(), memo, noInstalls).folder, "/own/vc/");
    EXPECT_EQ(gameFolderFromSettings(program.path()), "/own/vc/");
}

struct ReadCase {
    const char* name;
    std::string file;
    std::string folder;
};

class SettingsRead : public testing::TestWithParam<ReadCase> {};

TEST_P(SettingsRead, GameFolderIsTheFirstLine) {
    TempFolder folder;
    folder.write("vestu.cfg", GetParam().file);
    LineBuffer memo;
    EXPECT_EQ(settingsStep(folder.path(), memo, nullptr).folder, GetParam().folder);
    EXPECT_EQ(folder.read("vestu.cfg"), GetParam().file);  // reading never writes
}

INSTANTIATE_TEST_SUITE_P(
    Files, SettingsRead,
    testing::Values(ReadCase{"CrLf", "/games/vc/\r\nother\r\n", "/games/vc/"},
                    ReadCase{"LoneLf", "/games/vc/\nother", "/games/vc/"},
                    ReadCase{"LoneCr", "/games/vc/\rother", "/games/vc/"},
                    ReadCase{"NoBreak", "/games/vc/", "/games/vc/"},
                    ReadCase{"NoFinalSeparatorKept", "/games/vc\r\n", "/games/vc"},
                    ReadCase{"Empty", "", ""}, ReadCase{"LeadingBreak", "\r\n/games/vc/", ""},
                    ReadCase{"LongLineCut", std::string(5000, 'g'), std::string(4096, 'g')}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SettingsStep, UnreadableFileCannotBeOpened) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root reads any file";
    }
    TempFolder folder;
    folder.write("vestu.cfg", "/games/vc/\r\n");
    chmod(folder.file("vestu.cfg").c_str(), 0);
    LineBuffer memo;
    EXPECT_THROW(settingsStep(folder.path(), memo, noInstalls), EFOpenError);
}

TEST(ChosenGameFolder, AppendsOneSeparatorAlways) {
    EXPECT_EQ(chosenGameFolder("/games/vc"), "/games/vc/");
    EXPECT_EQ(chosenGameFolder("/"), "//");  // a root comes with its separator
    EXPECT_EQ(chosenGameFolder(""), "/");
}

struct StoreCase {
    const char* name;
    std::string before;
    std::string after;  // with "/new/" stored
};

class StoreGameFolder : public testing::TestWithParam<StoreCase> {};

TEST_P(StoreGameFolder, ReplacesLineOneAndKeepsTheRest) {
    TempFolder folder;
    folder.write("vestu.cfg", GetParam().before);
    LineBuffer memo;
    storeGameFolder(folder.path(), "/new/", memo);
    EXPECT_EQ(folder.read("vestu.cfg"), GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    Files, StoreGameFolder,
    testing::Values(StoreCase{"OneLine", "/old/\r\n", "/new/\r\n"},
                    StoreCase{"FurtherLines", "/old/\r\nkeep 1\r\nkeep 2\r\n",
                              "/new/\r\nkeep 1\r\nkeep 2\r\n"},
                    StoreCase{"LastLineWithoutBreak", "/old/\r\nkeep", "/new/\r\nkeep"},
                    StoreCase{"LfBreaksBecomeCrLf", "/old/\nkeep\n", "/new/\r\nkeep\r\n"},
                    StoreCase{"EmptyFileGetsNoBreak", "", "/new/"},
                    StoreCase{"EmptyFirstLine", "\r\nkeep", "/new/\r\nkeep"}),
    [](const auto& info) { return std::string(info.param.name); });

// With no settings file yet, the program folder gets one; where it takes no file, the user's
// configuration folder does, and the next read finds it there.
TEST(StoreGameFolder, MakesTheFileInTheProgramFolderElseForTheUser) {
    const UserConfig config;
    TempFolder folder;
    LineBuffer memo;
    storeGameFolder(folder.path(), "/new/", memo);
    EXPECT_EQ(folder.read("vestu.cfg"), "/new/\r\n");
    EXPECT_FALSE(std::filesystem::exists(config.settings()));

    for (const char* blocker : {"file", "dir"}) {
        SCOPED_TRACE(blocker);
        TempFolder place;
        std::string program;
        if (std::string(blocker) == "file") {
            place.write("program", "not a folder");  // even the superuser makes nothing in it
            program = place.file("program/");
        } else {
            program = place.path();
            std::filesystem::create_directory(place.file("vestu.cfg"));  // in the way
        }
        std::filesystem::remove(config.settings());
        storeGameFolder(program, "/user/", memo);
        EXPECT_EQ(readFile(config.settings()), "/user/\r\n");
        EXPECT_EQ(gameFolderFromSettings(program), "/user/");
        storeGameFolder(program, "/again/", memo);  // the user's file is the one in use now
        EXPECT_EQ(readFile(config.settings()), "/again/\r\n");
    }
}

TEST(StoreGameFolderFailure, ReadOnlyFileStaysAsItWas) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root writes read-only files";
    }
    TempFolder folder;
    folder.write("vestu.cfg", "/old/\r\n");
    chmod(folder.file("vestu.cfg").c_str(), 0444);
    LineBuffer memo;
    EXPECT_THROW(storeGameFolder(folder.path(), "/new/", memo), EFCreateError);
    EXPECT_EQ(folder.read("vestu.cfg"), "/old/\r\n");
}

}  // namespace
}  // namespace vestura
