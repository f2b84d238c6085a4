// Finding the game where Linux players keep it: Steam libraries (native, Flatpak, Snap, and
// the libraries they list) and Wine prefixes (~/.wine, $WINEPREFIX, Lutris, Bottles,
// PlayOnLinux, with a Windows Steam inside them).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vestura {

// steam: in a Steam library's steamapps/common/, outside any Wine prefix, started through
// Steam. wine: in a prefix's drive_c, started through wine in that prefix.
enum class InstallKind { Steam, Wine };

std::string_view installKindName(InstallKind kind);  // "steam" or "wine"

struct GameInstall {
    InstallKind kind;
    std::string folder;  // as the window stores game folders: ending with a separator
};

// Where the search starts. Empty strings stand for unset variables.
struct InstallSearchRoots {
    std::string home;         // $HOME
    std::string xdgDataHome;  // $XDG_DATA_HOME; used only when absolute
    std::string winePrefix;   // $WINEPREFIX
};

InstallSearchRoots searchRootsFromEnvironment();

// Every folder holding "gta-vc.exe" (any letter case, a regular file) in the places above,
// each real folder once however many ways lead to it, sorted by folder. Folders that cannot
// be read are skipped; symbolic links are followed, but no folder is entered twice.
std::vector<GameInstall> findInstalls(const InstallSearchRoots& roots);

// True when the game folder is a Steam install: its folder, or the folder it resolves to,
// lies directly in a "steamapps/common/" folder and neither lies in a prefix's drive_c.
bool isSteamInstall(const std::string& gameFolder);

}  // namespace vestura
