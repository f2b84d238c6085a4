// Finding the game's executable and the command that opens it.
#include "game/launch.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "tests/game/current_folder.h"
#include "tests/support/temp_folder.h"

namespace vestura {
namespace {

using test::TempFolder;

TEST(FindGame, ExecutableInTheGameFolderIsStartedThere) {
    TempFolder folder;
    folder.write("gta-vc.exe", "MZ");
    const auto game = findGame(folder.path());
    ASSERT_TRUE(game);
    EXPECT_EQ(game->executable, folder.path() + "gta-vc.exe");
    EXPECT_EQ(game->workingFolder, folder.path());
}

TEST(FindGame, DoubleSeparatorIsKept) {
    TempFolder folder;
    folder.write("gta-vc.exe", "MZ");
    const auto game = findGame(folder.path() + "/");
    ASSERT_TRUE(game);
    EXPECT_EQ(game->executable, folder.path() + "/gta-vc.exe");
    EXPECT_EQ(game->workingFolder, folder.path() + "/");
}

TEST(FindGame, MissingGameIsNotFound) {
    TempFolder folder;
    std::filesystem::create_directory(folder.file("dir"));
    std::filesystem::create_directory(folder.file("dir/gta-vc.exe"));
    EXPECT_FALSE(findGame(folder.path()));        // no executable
    EXPECT_FALSE(findGame(folder.file("dir/")));  // a folder of that name
    folder.write("gta-vc.exe", "MZ");
    std::filesystem::create_directory(folder.file("vc"));
    folder.write("vc/gta-vc.exe", "MZ");
    EXPECT_FALSE(findGame(folder.file("vc")));  // no final separator: ".../vcgta-vc.exe"
}

TEST(FindGame, EmptyFolderLooksInTheCurrentFolder) {
    TempFolder folder;
    const test::CurrentFolder current(folder.path());
    EXPECT_FALSE(findGame(""));
    folder.write("gta-vc.exe", "MZ");
    const auto game = findGame("");
    ASSERT_TRUE(game);
    EXPECT_EQ(game->executable, "gta-vc.exe");
    EXPECT_EQ(game->workingFolder, "");
}

struct OpenCase {
    const char* name;
    std::string file;
    bool wine;
    std::string program;
    std::string prefix;  // expected WINEPREFIX; empty for none
};

class OpenCommand : public testing::TestWithParam<OpenCase> {};

TEST_P(OpenCommand, TranslatesTheShellOpen) {
    const OpenCase& c = GetParam();
    const std::string working = "/work/folder/";
    const ProcessCommand command = openCommand(c.file, working, c.wine);
    EXPECT_EQ(command.program, c.program);
    EXPECT_EQ(command.arguments, std::vector<std::string>{c.file});
    EXPECT_EQ(command.workingFolder, working);
    using Environment = std::vector<std::pair<std::string, std::string>>;
    const Environment expected =
        c.prefix.empty() ? Environment{} : Environment{{"WINEPREFIX", c.prefix}};
    EXPECT_EQ(command.environment, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Files, OpenCommand,
    testing::Values(OpenCase{"WineInPrefix", "/home/u/.wine/drive_c/Games/GTA Vice City/gta-vc.exe",
                             true, "wine", "/home/u/.wine"},
                    OpenCase{"WineOutsidePrefix", "/games/vc/gta-vc.exe", true, "wine", ""},
                    OpenCase{"WineInnermostPrefix", "/p/drive_c/q/drive_c/gta-vc.exe", true, "wine",
                             "/p/drive_c/q"},
                    OpenCase{"WinePrefixAtRoot", "/drive_c/vc/gta-vc.exe", true, "wine", "/"},
                    OpenCase{"WineDriveNameCaseMatters", "/p/Drive_C/gta-vc.exe", true, "wine", ""},
                    OpenCase{"WineDriveAsFileName", "/p/drive_c", true, "wine", ""},
                    OpenCase{"DesktopWithoutWine", "/home/u/.wine/drive_c/vc/gta-vc.exe", false,
                             "xdg-open", ""},
                    OpenCase{"DesktopOutsidePrefix", "/games/vc/gta-vc.exe", false, "xdg-open",
                             ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(OpenCommandRelative, RelativeFileIsResolvedAgainstTheCurrentFolder) {
    TempFolder folder;
    std::filesystem::create_directories(folder.file("pfx/drive_c/vc"));
    const test::CurrentFolder current(folder.file("pfx/drive_c/vc"));
    const std::string here = std::filesystem::current_path().string();
    const ProcessCommand command = openCommand("gta-vc.exe", "", true);
    EXPECT_EQ(command.arguments, std::vector<std::string>{here + "/gta-vc.exe"});
    EXPECT_EQ(command.workingFolder, "");
    ASSERT_EQ(command.environment.size(), 1u);
    EXPECT_EQ(command.environment[0].second, here.substr(0, here.rfind("/drive_c")));
}

TEST(ProgramOnPath, FindsOnlyExecutableFilesInPathFolders) {
    TempFolder folder;
    folder.write("prog", "#!/bin/sh\n");
    chmod(folder.file("prog").c_str(), 0755);
    folder.write("data", "");
    chmod(folder.file("data").c_str(), 0644);
    std::filesystem::create_directory(folder.file("dir"));
    const std::string saved = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
    setenv("PATH", ("/nonexistent::" + folder.path()).c_str(), 1);
    EXPECT_TRUE(programOnPath("prog"));
    EXPECT_FALSE(programOnPath("dir"));
    EXPECT_FALSE(programOnPath("missing"));
    EXPECT_FALSE(programOnPath(""));
    EXPECT_FALSE(programOnPath(folder.file("prog")));  // a path, not a name
    EXPECT_FALSE(programOnPath("data"));
    setenv("PATH", saved.c_str(), 1);
}

}  // namespace
}  // namespace vestura
