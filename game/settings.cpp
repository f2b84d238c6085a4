// Where the settings file lives, the settings step at start-up and the storing of a newly
// chosen game folder.
#include "game/settings.h"

#include <cstdlib>
#include <filesystem>
#include <string_view>

#include "common/errors.h"
#include "common/failure_text.h"
#include "common/messages.h"
#include "common/platform.h"
#include "game/file_exists.h"
#include "game/installs.h"
#include "game/launch.h"

namespace vestura {

namespace {

constexpr std::string_view kSettingsFile = "vestu.cfg";

#ifndef VESTURA_SETTINGS_IN_HOME
#define VESTURA_SETTINGS_IN_HOME 0
#endif
// A system install's program folder belongs to the package: a settings file made there by
// root would be every user's, and one they cannot write.
constexpr bool kSettingsInHome = VESTURA_SETTINGS_IN_HOME;
constexpr std::string_view kUserSettingsFolder = "vestura/";

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

std::string withSeparator(std::string folder) {
    if (!folder.empty() && folder.back() != '/') {
        folder.push_back('/');
    }
    return folder;
}

// Saves `memo` as the user's settings file, making its folders first.
void saveAsUserSettings(LineBuffer& memo) {
    const std::string path = userSettingsPath();
    if (path.empty()) {
        throw EFCreateError(msg::format(msg::kCannotCreateFile, std::string(kSettingsFile)),
                            "neither XDG_CONFIG_HOME nor HOME is set");
    }
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
    if (error) {
        throw EFCreateError(msg::format(msg::kCannotCreateFile, path), causeOfError(error.value()));
    }
    memo.save(path);
}

}  // namespace

std::string settingsPath(const std::string& programFolder) {
    return programFolder + std::string(kSettingsFile);
}

std::string userSettingsPath() {
    const std::string config = environment("XDG_CONFIG_HOME");
    std::string base;
    if (config.starts_with('/')) {
        base = withSeparator(config);
    } else if (const std::string home = environment("HOME"); !home.empty()) {
        base = withSeparator(home) + ".config/";
    } else {
        return {};
    }
    return base + std::string(kUserSettingsFolder) + std::string(kSettingsFile);
}

std::string settingsInUse(const std::string& programFolder) {
    if (const std::string own = settingsPath(programFolder); FileExists(own)) {
        return own;
    }
    if (const std::string user = userSettingsPath(); !user.empty() && FileExists(user)) {
        return user;
    }
    return {};
}

bool holdsGame(const std::string& gameFolder) {
    return !gameFolder.empty() && findGame(gameFolder).has_value();  // empty: no current folder
}

StartFolder settingsStep(const std::string& programFolder, LineBuffer& memo,
                         const InstallFolders& installs) {
    StartFolder start;
    const std::string path = settingsInUse(programFolder);
    if (!path.empty()) {
        memo.load(path);
        start.folder = memo.line(0);
    } else {
        memo.clear();
        start.folder = platform::defaultGameFolder();
        start.store = true;
    }
    start.holdsGame = holdsGame(start.folder);
    if (!start.holdsGame && !start.folder.empty() &&
        start.folder.back() != platform::kPathSeparator &&
        holdsGame(start.folder + platform::kPathSeparator)) {
        // A hand-written line without its final separator names the game's own folder: it is
        // taken as meant, and stored as the window stores folders.
        start.folder += platform::kPathSeparator;
        start.holdsGame = true;
        start.store = true;
    }
    if (start.holdsGame || !installs) {
        return start;
    }
    const std::vector<std::string> found = installs();
    start.installsFound = found.size();
    if (!found.empty()) {
        start.folder = found.front();
        start.holdsGame = holdsGame(start.folder);
        start.store = true;
    }
    return start;
}

std::string gameFolderFromSettings(const std::string& programFolder) {
    LineBuffer memo;
    return settingsStep(
               programFolder, memo,
               [] {
                   std::vector<std::string> folders;
                   for (const GameInstall& install : findInstalls(searchRootsFromEnvironment())) {
                       folders.push_back(install.folder);
                   }
                   return folders;
               })
        .folder;
}

std::string chosenGameFolder(const std::string& dialogPath) {
    return dialogPath + platform::kPathSeparator;
}

void storeGameFolder(const std::string& programFolder, const std::string& folder,
                     LineBuffer& memo) {
    if (const std::string path = settingsInUse(programFolder); !path.empty()) {
        memo.load(path);
        memo.setLine(0, folder);
        memo.save(path);
        return;
    }
    memo.clear();
    memo.add(folder);
    if (kSettingsInHome) {
        saveAsUserSettings(memo);
        return;
    }
    try {
        memo.save(settingsPath(programFolder));
    } catch (const EFCreateError&) {
        saveAsUserSettings(memo);  // the program folder takes no new file
    }
}

}  // namespace vestura
