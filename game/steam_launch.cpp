// Choosing between Steam and the shell's "open" for Start Vice.
#include "game/steam_launch.h"

#include "game/installs.h"

namespace vestura {

ProcessCommand gameCommand(const GameLaunch& game, const std::string& gameFolder, bool steamOnPath,
                           bool wineOnPath, bool flatpakOnPath) {
    if (steamOnPath && isSteamInstall(gameFolder)) {
        return ProcessCommand{std::string(kSteamProgram),
                              {"-applaunch", std::string(kSteamAppId)},
                              game.workingFolder,
                              {}};
    }
    const std::string flatpakSteamData = "/.var/app/" + std::string(kFlatpakSteam) + "/";
    if (flatpakOnPath && gameFolder.find(flatpakSteamData) != std::string::npos &&
        isSteamInstall(gameFolder)) {
        return ProcessCommand{
            std::string(kFlatpakProgram),
            {"run", std::string(kFlatpakSteam), "-applaunch", std::string(kSteamAppId)},
            game.workingFolder,
            {}};
    }
    return openCommand(game.executable, game.workingFolder, wineOnPath);
}

}  // namespace vestura
