// The install finder over made-up home folders, and how a game folder is started.
#include "game/installs.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "game/steam_launch.h"
#include "tests/support/made_up_home.h"

namespace vestura {
namespace {

using test::MadeUpHome;

std::string listing(const std::vector<GameInstall>& installs) {
    std::string text;
    for (const GameInstall& install : installs) {
        text += std::string(installKindName(install.kind)) + '\t' + install.folder + '\n';
    }
    return text;
}

TEST(FindInstalls, FindsEveryPlaceOnceAndSkipsTheDecoys) {
    MadeUpHome home;
    home.buildEveryPlace();
    EXPECT_EQ(listing(findInstalls(home.roots())), home.expectedListing());
}

TEST(FindInstalls, EmptyHomeFindsNothing) {
    MadeUpHome home;
    EXPECT_TRUE(findInstalls(home.roots()).empty());
    EXPECT_TRUE(findInstalls({}).empty());
}

TEST(FindInstalls, WinePrefixVariableAndDataHomeAreSearched) {
    MadeUpHome home;
    home.game("elsewhere/prefix/drive_c/GTA");
    home.game("data/Steam/steamapps/common/Grand Theft Auto Vice City");
    home.game("data/bottles/bottles/b1/drive_c/VC");
    // With XDG_DATA_HOME set, ~/.local/share is not where Steam and Bottles live.
    home.game(".local/share/Steam/steamapps/common/Grand Theft Auto Vice City");
    const InstallSearchRoots roots{home.home() + "/", home.path("data/"),
                                   home.path("elsewhere/prefix/")};
    EXPECT_EQ(listing(findInstalls(roots)),
              "steam\t" + home.path("data/Steam/steamapps/common/Grand Theft Auto Vice City/") +
                  "\nwine\t" + home.path("data/bottles/bottles/b1/drive_c/VC/") + "\nwine\t" +
                  home.path("elsewhere/prefix/drive_c/GTA/") + "\n");
    // A relative XDG_DATA_HOME is ignored, as the XDG rules say.
    EXPECT_EQ(listing(findInstalls({home.home(), "data", ""})),
              "steam\t" +
                  home.path(".local/share/Steam/steamapps/common/Grand Theft Auto Vice City/") +
                  "\n");
}

TEST(FindInstalls, SearchesDriveCFourLevelsDeep) {
    MadeUpHome home;
    home.game(".wine/drive_c/1/2/3/4");
    home.game(".wine/drive_c/1/2/3/4/5");
    EXPECT_EQ(listing(findInstalls(home.roots())),
              "wine\t" + home.path(".wine/drive_c/1/2/3/4/") + "\n");
}

TEST(FindInstalls, AWindowsSteamLibraryOnDriveCIsWine) {
    MadeUpHome home;
    const std::string steam = ".wine/drive_c/Program Files (x86)/Steam";
    home.file(steam + "/steamapps/libraryfolders.vdf",
              "\"libraryfolders\" { \"0\" { \"path\" \"C:\\\\Program Files (x86)\\\\Steam\" }"
              " \"1\" { \"path\" \"C:\\\\Libs\\\\Steam\\\\\" } \"2\" { \"path\" \"D:\\\\X\" } }");
    home.game(".wine/drive_c/Libs/Steam/steamapps/common/Grand Theft Auto Vice City/long/way");
    home.game(".wine/drive_c/Libs/Steam/steamapps/common/Grand Theft Auto Vice City");
    EXPECT_EQ(
        listing(findInstalls(home.roots())),
        "wine\t" +
            home.path(".wine/drive_c/Libs/Steam/steamapps/common/Grand Theft Auto Vice City/") +
            "\n");
}

TEST(FindInstalls, ANativeLibraryInsideAPrefixCountsAsWine) {
    MadeUpHome home;
    home.file(".local/share/Steam/steamapps/libraryfolders.vdf",
              "\"libraryfolders\" { \"1\" \"" + home.path("pfx/drive_c/Lib") + "\" }");
    home.game("pfx/drive_c/Lib/steamapps/common/Grand Theft Auto Vice City");
    const auto installs = findInstalls(home.roots());
    ASSERT_EQ(installs.size(), 1u);
    EXPECT_EQ(installs[0].kind, InstallKind::Wine);
}

TEST(FindInstalls, ManifestInstallDirMustBeOneFolderName) {
    MadeUpHome home;
    home.game("outside");
    home.file(".local/share/Steam/steamapps/appmanifest_12110.acf",
              "\"AppState\" { \"installdir\" \"../../../../outside\" }");
    EXPECT_TRUE(findInstalls(home.roots()).empty());
}

TEST(FindInstalls, LibrariesListingEachOtherEndTheSearch) {
    MadeUpHome home;
    home.file("a/steamapps/libraryfolders.vdf",
              "\"libraryfolders\" { \"1\" \"" + home.path("b") + "\" }");
    home.file("b/steamapps/libraryfolders.vdf",
              "\"libraryfolders\" { \"1\" \"" + home.path("a") + "\" }");
    home.link(".local/share/Steam", home.path("a"));
    home.game("b/steamapps/common/Grand Theft Auto Vice City");
    EXPECT_EQ(findInstalls(home.roots()).size(), 1u);
}

// Library `i` of a made-up chain below the home, its list naming library `i + 1` as often
// as fits in `bytes` (at least once).
void chainLink(const MadeUpHome& home, int i, std::size_t bytes = 0) {
    std::string text = "\"libraryfolders\" {";
    const std::string next = home.path("lib" + std::to_string(i + 1));
    for (int k = 0;; ++k) {
        const std::string entry = " \"" + std::to_string(k) + "\" { \"path\" \"" + next + "\" }";
        if (k > 0 && text.size() + entry.size() + 2 > bytes) {
            break;
        }
        text += entry;
    }
    home.file("lib" + std::to_string(i) + "/steamapps/libraryfolders.vdf", text + " }");
    if (i == 0) {
        home.link(".local/share/Steam", home.path("lib0"));
    }
}

TEST(FindInstalls, AChainOfLibrariesIsFollowedOnlySoFar) {
    MadeUpHome home;
    for (int i = 0; i < 100; ++i) {
        chainLink(home, i);
    }
    home.game("lib80/steamapps/common/Grand Theft Auto Vice City");
    home.game("lib20/steamapps/common/Grand Theft Auto Vice City");
    EXPECT_EQ(findInstalls(home.roots()).size(), 1u);
}

TEST(FindInstalls, LibraryListsAreReadOnlyUpToTheirBytes) {
    // Lists of nearly 1 MiB each: the fifth is more than is left to read.
    MadeUpHome home;
    constexpr std::size_t kNearlyAMebibyte = (std::size_t{1} << 20) - 64;
    for (int i = 0; i < 6; ++i) {
        chainLink(home, i, kNearlyAMebibyte);
    }
    home.game("lib4/steamapps/common/Grand Theft Auto Vice City");
    home.game("lib6/steamapps/common/Grand Theft Auto Vice City");
    EXPECT_EQ(listing(findInstalls(home.roots())),
              "steam\t" + home.path("lib4/steamapps/common/Grand Theft Auto Vice City/\n"));
}

struct SteamCase {
    const char* name;
    std::string folder;  // relative to the made-up home
    bool steam;
};

class SteamInstallTest : public ::testing::TestWithParam<SteamCase> {};

TEST_P(SteamInstallTest, TellsASteamCopyByItsPlace) {
    MadeUpHome home;
    home.game("lib/steamapps/common/Grand Theft Auto Vice City");
    home.game("pfx/drive_c/Steam/steamapps/common/Grand Theft Auto Vice City");
    home.link("shortcut", home.path("lib/steamapps/common/Grand Theft Auto Vice City"));
    EXPECT_EQ(isSteamInstall(home.path(GetParam().folder)), GetParam().steam);
}

INSTANTIATE_TEST_SUITE_P(
    Places, SteamInstallTest,
    ::testing::Values(
        SteamCase{"Library", "lib/steamapps/common/Grand Theft Auto Vice City/", true},
        SteamCase{"WithoutSeparator", "lib/steamapps/common/Grand Theft Auto Vice City", true},
        SteamCase{"ThroughALink", "shortcut/", true},
        SteamCase{"InAPrefix", "pfx/drive_c/Steam/steamapps/common/Grand Theft Auto Vice City/",
                  false},
        SteamCase{"CommonItself", "lib/steamapps/common/", false},
        SteamCase{"Elsewhere", "lib/", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(GameCommand, SteamCopyStartsThroughSteamWhenItIsThere) {
    MadeUpHome home;
    const std::string folder = home.path("lib/steamapps/common/Grand Theft Auto Vice City/");
    home.game("lib/steamapps/common/Grand Theft Auto Vice City");
    const GameLaunch game{folder + "gta-vc.exe", folder};
    const ProcessCommand steam = gameCommand(game, folder, true, true);
    EXPECT_EQ(steam.program, "steam");
    EXPECT_EQ(steam.arguments, (std::vector<std::string>{"-applaunch", "12110"}));
    EXPECT_TRUE(steam.environment.empty());
    // Without steam on the PATH it goes to wine as any other copy.
    const ProcessCommand wine = gameCommand(game, folder, false, true);
    EXPECT_EQ(wine.program, "wine");
    EXPECT_EQ(wine.arguments.back(), folder + "gta-vc.exe");
}

// Flatpak's Steam has no steam command on the PATH: its copy starts through flatpak.
TEST(GameCommand, FlatpakSteamCopyStartsThroughFlatpak) {
    MadeUpHome home;
    const std::string relative =
        ".var/app/com.valvesoftware.Steam/.local/share/Steam/steamapps/"
        "common/Grand Theft Auto Vice City";
    home.game(relative);
    const std::string folder = home.path(relative + "/");
    const GameLaunch game{folder + "gta-vc.exe", folder};
    const ProcessCommand flatpak = gameCommand(game, folder, false, false, true);
    EXPECT_EQ(flatpak.program, "flatpak");
    EXPECT_EQ(flatpak.arguments,
              (std::vector<std::string>{"run", "com.valvesoftware.Steam", "-applaunch", "12110"}));
    EXPECT_EQ(gameCommand(game, folder, true, false, true).program, "steam");
    EXPECT_EQ(gameCommand(game, folder, false, true, false).program, "wine");
}

TEST(GameCommand, PrefixCopyStartsThroughWineInItsPrefix) {
    MadeUpHome home;
    const std::string folder = home.path("pfx/drive_c/Games/VC/");
    home.game("pfx/drive_c/Games/VC");
    const ProcessCommand command = gameCommand({folder + "gta-vc.exe", folder}, folder, true, true);
    EXPECT_EQ(command.program, "wine");
    ASSERT_EQ(command.environment.size(), 1u);
    EXPECT_EQ(command.environment[0].first, "WINEPREFIX");
    EXPECT_EQ(command.environment[0].second, home.path("pfx"));
}

}  // namespace
}  // namespace vestura
