// Choosing between Steam and the shell's "open" for Start Vice.
#include "game/steam_launch.h"

#include "game/installs.h"

namespace vestura {

ProcessCommand gameCommand(const GameLaunch& game, const std::string& gameFolder, bool steamOnPath,
                           bool wineOnPath) {
    if (steamOnPath && isSteamInstall(gameFolder)) {
        return ProcessCommand{std::string(kSteamProgram),
                              {"-applaunch", std::string(kSteamAppId)},
                              game.workingFolder,
                              {}};
    }
    return openCommand(game.executable, game.workingFolder, wineOnPath);
}

}  // namespace vestura
