// The settings step at start-up and the storing of a newly chosen game folder.
#include "game/settings.h"

#include <string_view>

#include "common/platform.h"
#include "game/file_exists.h"

namespace vestura {

namespace {

constexpr std::string_view kSettingsFile = "vestu.cfg";

}  // namespace

std::string settingsPath(const std::string& programFolder) {
    return programFolder + std::string(kSettingsFile);
}

std::optional<std::string> settingsStep(const std::string& programFolder, LineBuffer& memo) {
    const std::string path = settingsPath(programFolder);
    if (FileExists(path)) {
        memo.load(path);
        return memo.line(0);
    }
    memo.clear();
    memo.add(platform::defaultGameFolder());
    memo.save(path);
    return std::nullopt;
}

std::string gameFolderFromSettings(const std::string& programFolder) {
    const std::string settings = settingsPath(programFolder);
    if (!FileExists(settings)) {
        return platform::defaultGameFolder();
    }
    LineBuffer memo;
    memo.load(settings);
    return memo.line(0);
}

std::string chosenGameFolder(const std::string& dialogPath) {
    return dialogPath + platform::kPathSeparator;
}

void storeGameFolder(const std::string& programFolder, const std::string& folder,
                     LineBuffer& memo) {
    const std::string path = settingsPath(programFolder);
    memo.load(path);
    memo.setLine(0, folder);
    memo.save(path);
}

}  // namespace vestura
