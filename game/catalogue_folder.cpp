#include "game/catalogue_folder.h"

#include <sys/stat.h>

#include <cstdlib>

namespace vestura {

namespace {

constexpr std::string_view kUserCatalogue = "vestura/catalogue/";

std::string withSeparator(std::string folder) {
    if (!folder.empty() && folder.back() != '/') {
        folder.push_back('/');
    }
    return folder;
}

// A regular file, or a link to one: a folder or a FIFO named like a list file is not one.
bool isFile(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

}  // namespace

std::string userCatalogueFolder() {
    const char* data = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    std::string base;
    if (data != nullptr && data[0] == '/') {
        base = withSeparator(data);
    } else if (home != nullptr && home[0] != '\0') {
        base = withSeparator(home) + ".local/share/";
    } else {
        return {};
    }
    return base + std::string(kUserCatalogue);
}

std::string catalogueFolder(const std::string& programFolder,
                            const std::vector<std::string_view>& listFiles) {
    const std::string own = userCatalogueFolder();
    if (own.empty()) {
        return programFolder;
    }
    for (const std::string_view name : listFiles) {
        if (isFile(own + std::string(name))) {
            return own;
        }
    }
    return programFolder;
}

}  // namespace vestura
