// Which program starts the game: Steam for a Steam copy, so it runs in the runtime and
// prefix Steam made for it; otherwise the shell's "open" translated for this platform.
#pragma once

#include <string>
#include <string_view>

#include "game/launch.h"

namespace vestura {

inline constexpr std::string_view kSteamProgram = "steam";
inline constexpr std::string_view kSteamAppId = "12110";  // the game's Steam app id

inline constexpr std::string_view kFlatpakProgram = "flatpak";
inline constexpr std::string_view kFlatpakSteam = "com.valvesoftware.Steam";

// "steam -applaunch 12110" when the game folder is a Steam install and steam is on the
// PATH; for a copy in Flatpak's Steam without a steam command, "flatpak run
// com.valvesoftware.Steam -applaunch 12110" when flatpak is on the PATH; otherwise
// openCommand() for the game's executable.
ProcessCommand gameCommand(const GameLaunch& game, const std::string& gameFolder, bool steamOnPath,
                           bool wineOnPath, bool flatpakOnPath = false);

}  // namespace vestura
