// Finding the game's executable and translating the shell's "open" into a process to start.
#include "game/launch.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string_view>

#include "common/path_case.h"
#include "common/platform.h"
#include "game/file_exists.h"

namespace vestura {

namespace {

constexpr std::string_view kGameExecutable = "gta-vc.exe";
constexpr std::string_view kWineProgram = "wine";
constexpr std::string_view kWinePrefixVariable = "WINEPREFIX";
constexpr std::string_view kPrefixDrive = "/drive_c/";

std::string absoluteFile(const std::string& file) {
    if (file.empty() || file.front() == '/') {
        return file;
    }
    std::error_code error;
    const std::string current = std::filesystem::current_path(error).string();
    return error ? file : current + '/' + file;
}

// The Wine prefix that holds the file: the folder above its last "drive_c" component.
std::optional<std::string> winePrefixOf(const std::string& file) {
    const std::size_t drive = file.rfind(kPrefixDrive);
    if (drive == std::string::npos) {
        return std::nullopt;
    }
    return drive == 0 ? std::string("/") : file.substr(0, drive);
}

bool isExecutableFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::optional<GameLaunch> findGame(const std::string& gameFolder) {
    // The executable in any letter case, as a copy from Windows may have it.
    std::string executable = resolveIgnoringCase(gameFolder + std::string(kGameExecutable));
    if (!FileExists(executable)) {
        return std::nullopt;
    }
    std::string workingFolder = platform::folderOf(executable);
    return GameLaunch{std::move(executable), std::move(workingFolder)};
}

ProcessCommand openCommand(const std::string& file, const std::string& workingFolder,
                           bool wineOnPath) {
    const std::string target = absoluteFile(file);
    if (!wineOnPath) {
        return ProcessCommand{std::string(kDesktopOpener), {target}, workingFolder, {}};
    }
    ProcessCommand command{std::string(kWineProgram), {target}, workingFolder, {}};
    if (const auto prefix = winePrefixOf(target)) {
        command.environment.emplace_back(kWinePrefixVariable, *prefix);
    }
    return command;
}

bool programOnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    if (name.empty() || name.find('/') != std::string::npos || path == nullptr) {
        return false;
    }
    // An empty entry of $PATH stands for the current folder.
    std::string_view rest = path;
    for (;;) {
        const std::size_t colon = rest.find(':');
        const std::string_view folder = rest.substr(0, colon);
        const std::string prefix = folder.empty() ? std::string(".") : std::string(folder);
        if (isExecutableFile(prefix + '/' + name)) {
            return true;
        }
        if (colon == std::string_view::npos) {
            return false;
        }
        rest.remove_prefix(colon + 1);
    }
}

}  // namespace vestura
