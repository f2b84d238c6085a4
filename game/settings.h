// The settings file "vestu.cfg": its first line is the game folder. It lives in the program
// folder, or, where that folder takes no file (an install owned by root, a read-only medium),
// in the user's configuration folder. Read and written through the scratch line buffer.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "game/line_buffer.h"

namespace vestura {

// programFolder + "vestu.cfg".
std::string settingsPath(const std::string& programFolder);

// The user's own settings file, $XDG_CONFIG_HOME/vestura/vestu.cfg (an absolute
// XDG_CONFIG_HOME only), else $HOME/.config/vestura/vestu.cfg; empty when neither is set.
std::string userSettingsPath();

// The settings file in use: the program folder's when it exists, else the user's when that
// exists; empty when there is none yet.
std::string settingsInUse(const std::string& programFolder);

// True when the folder holds "gta-vc.exe" in any letter case.
bool holdsGame(const std::string& gameFolder);

// The game folder the window starts with, and what start-up learnt about it.
struct StartFolder {
    std::string folder;
    bool holdsGame = false;
    std::size_t installsFound = 0;  // counted only when the search ran
    bool store = false;             // the folder must be written to the settings file
};

// The folders of the game installs on this computer, best first.
using InstallFolders = std::function<std::vector<std::string>()>;

// The start-up step. The settings file in use, when there is one, is loaded into `memo` and
// names the folder. When there is none, or its folder holds no game, the installs are
// searched and the first one found is taken (to be stored); when none is found the folder
// read is kept, or the default game folder (to be stored) when there was no settings file.
// Failures of reading raise; nothing is written here.
StartFolder settingsStep(const std::string& programFolder, LineBuffer& memo,
                         const InstallFolders& installs);

// The game folder for a path confirmed in the folder dialog: the path and one separator,
// appended whatever the path ends with.
std::string chosenGameFolder(const std::string& dialogPath);

// The game folder as the window would start with it, read only: what the settings step
// gives with the installs found under $HOME. For the CLI, which has no window to have run it.
std::string gameFolderFromSettings(const std::string& programFolder);

// Puts `folder` into the first line of the settings file in use, keeping every other line.
// When there is none yet it is made in the program folder, or, when that folder takes no new
// file (or the build is for a system install), as the user's settings file (its folders made
// as needed). Raises as the line
// buffer's save does; the file written before stays as it was.
void storeGameFolder(const std::string& programFolder, const std::string& folder, LineBuffer& memo);

}  // namespace vestura
