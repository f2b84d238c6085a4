#include "app/window_options.h"

#include <sys/stat.h>

namespace vestura {

const char* const kWindowUsage =
    "usage: vestura [--catalogue DIR]\n"
    "  --catalogue DIR  read the list files and parts from DIR instead of the program's own\n"
    "                   catalogue (or the user's, in $XDG_DATA_HOME/vestura/catalogue/)\n"
    "  --help           show this and exit\n"
    "  --version        show the version and exit\n";

const char* const kWindowVersion = "vestura 1.1\n";

namespace {

bool isFolder(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

std::string catalogueFolderOf(const std::string& word, const std::string& currentFolder) {
    std::string folder = word.starts_with('/') || currentFolder.empty()
                             ? word
                             : currentFolder + (currentFolder.ends_with('/') ? "" : "/") + word;
    if (!folder.ends_with('/')) {
        folder.push_back('/');
    }
    return folder;
}

}  // namespace

WindowOptions readWindowOptions(const std::vector<std::string>& words,
                                const std::string& currentFolder) {
    WindowOptions options;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word == "--help") {
            options.help = true;
        } else if (word == "--version") {
            options.version = true;
        } else if (word == "--catalogue" || word.starts_with("--catalogue=")) {
            const bool joined = word != "--catalogue";
            const std::string value = joined              ? word.substr(word.find('=') + 1)
                                      : i + 1 < words.size() ? words[++i]
                                                             : std::string();
            if (value.empty()) {
                options.error = "--catalogue needs a folder";
                return options;
            }
            const std::string folder = catalogueFolderOf(value, currentFolder);
            if (!isFolder(folder)) {
                options.error = "--catalogue needs a folder; there is none at " + value;
                return options;
            }
            options.catalogue = folder;
        }
    }
    return options;
}

}  // namespace vestura
