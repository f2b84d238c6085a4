// The settings file "vestu.cfg" in the program folder: its first line is the game folder.
// Read and written through the scratch line buffer.
#pragma once

#include <optional>
#include <string>

#include "game/line_buffer.h"

namespace vestura {

// programFolder + "vestu.cfg".
std::string settingsPath(const std::string& programFolder);

// The start-up step. When the settings file exists it is loaded into `memo` and its first
// line is returned. When it is missing it is created holding the default game folder and
// one CR LF, and nullopt is returned: the game-folder field keeps its layout text, which
// is that same folder. Failures of the buffer raise.
std::optional<std::string> settingsStep(const std::string& programFolder, LineBuffer& memo);

// The game folder for a path confirmed in the folder dialog: the path and one separator,
// appended whatever the path ends with.
std::string chosenGameFolder(const std::string& dialogPath);

// The game folder the settings file beside the program names (its first line), read only;
// the folder the window starts with when there is no settings file.
std::string gameFolderFromSettings(const std::string& programFolder);

// Puts `folder` into the first line of the settings file, keeping every other line.
void storeGameFolder(const std::string& programFolder, const std::string& folder, LineBuffer& memo);

}  // namespace vestura
