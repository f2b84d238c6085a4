// The settings file: the start-up step, the folder chosen in the dialog and storing it.
#include "game/settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "common/errors.h"
#include "common/platform.h"
#include "tests/support/temp_folder.h"

namespace vestura {
namespace {

using test::TempFolder;

TEST(SettingsStep, MissingFileIsCreatedWithTheDefaultFolder) {
    TempFolder folder;
    LineBuffer memo;
    EXPECT_EQ(settingsStep(folder.path(), memo), std::nullopt);
    const std::string expected = platform::defaultGameFolder() + "\r\n";
    EXPECT_EQ(folder.read("vestu.cfg"), expected);
    EXPECT_EQ(memo.text(), expected);
    // The next start reads it back.
    EXPECT_EQ(settingsStep(folder.path(), memo), platform::defaultGameFolder());
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
    EXPECT_EQ(settingsStep(folder.path(), memo), GetParam().folder);
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

TEST(SettingsStep, FolderNamedLikeTheFileCannotBeCreated) {
    TempFolder folder;
    std::filesystem::create_directory(folder.file("vestu.cfg"));
    LineBuffer memo;
    try {
        settingsStep(folder.path(), memo);
        ADD_FAILURE() << "no failure";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.message(), "Cannot create file " + folder.file("vestu.cfg"));
    }
}

TEST(SettingsStep, UnreadableFileCannotBeOpened) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root reads any file";
    }
    TempFolder folder;
    folder.write("vestu.cfg", "/games/vc/\r\n");
    chmod(folder.file("vestu.cfg").c_str(), 0);
    LineBuffer memo;
    EXPECT_THROW(settingsStep(folder.path(), memo), EFOpenError);
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

TEST(StoreGameFolderFailure, MissingFileIsNotCreated) {
    TempFolder folder;
    LineBuffer memo;
    try {
        storeGameFolder(folder.path(), "/new/", memo);
        ADD_FAILURE() << "no failure";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.message(), "Cannot open file " + folder.file("vestu.cfg"));
    }
    EXPECT_FALSE(std::filesystem::exists(folder.file("vestu.cfg")));
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
