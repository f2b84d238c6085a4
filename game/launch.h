// Starting the game: finding its executable in the game folder and the command that opens
// a file the way the desktop shell would.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vestura {

struct GameLaunch {
    std::string executable;     // game folder + "gta-vc.exe"
    std::string workingFolder;  // the executable's folder, up to its last separator
};

// The game's executable when the existence test finds it; nullopt otherwise (missing, a
// folder of that name, or a game folder without its final separator).
std::optional<GameLaunch> findGame(const std::string& gameFolder);

// The desktop's opener, which opens a file with the program the desktop has for its kind.
inline constexpr std::string_view kDesktopOpener = "xdg-open";

struct ProcessCommand {
    std::string program;
    std::vector<std::string> arguments;
    std::string workingFolder;
    std::vector<std::pair<std::string, std::string>> environment;  // added to the inherited one
};

// How to open `file` with `workingFolder` as current folder: "wine <file>" when wine is on
// the PATH (with WINEPREFIX set to the folder holding "drive_c" when the file lies below
// one), else "xdg-open <file>". A relative file is made absolute against the current
// folder, as the program resolved it, since the started program runs elsewhere.
ProcessCommand openCommand(const std::string& file, const std::string& workingFolder,
                           bool wineOnPath);

// True when an executable file of that name lies in a folder of $PATH.
bool programOnPath(const std::string& name);

}  // namespace vestura
