// The file existence test: a stat of the path, or a pattern match over the folder when the
// last component holds wildcards.
#include "game/file_exists.h"

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <memory>
#include <optional>
#include <string_view>

#include "common/platform.h"

namespace vestura {

namespace {

// Only these are patterns, as in the system's own lookup; "[" and "]" are ordinary.
constexpr std::string_view kWildcards = "*?";

// The name as an fnmatch pattern: the characters fnmatch would read as brackets or as an
// escape stand for themselves.
std::string asPattern(std::string_view name) {
    std::string pattern;
    pattern.reserve(name.size());
    for (const char c : name) {
        if (c == '[' || c == ']' || c == '\\') {
            pattern.push_back('\\');
        }
        pattern.push_back(c);
    }
    return pattern;
}

// True when the entry exists and is not a folder; stat follows symbolic links.
bool isExistingFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

struct FolderCloser {
    void operator()(DIR* folder) const { ::closedir(folder); }
};

// The entry of `folder` matching `pattern` that comes first in name order. Directory
// order on POSIX is arbitrary; name order makes "the first match decides" repeatable.
std::optional<std::string> firstMatch(const std::string& folder, const std::string& pattern) {
    std::unique_ptr<DIR, FolderCloser> entries(::opendir(folder.empty() ? "." : folder.c_str()));
    if (!entries) {
        return std::nullopt;
    }
    std::optional<std::string> first;
    while (const dirent* entry = ::readdir(entries.get())) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        if (::fnmatch(pattern.c_str(), entry->d_name, 0) == 0 && (!first || name < *first)) {
            first = std::string(name);
        }
    }
    return first;
}

}  // namespace

bool FileExists(const std::string& path) {
    try {
        // The literal name first: a file whose name holds "[" or "*" is found as itself
        // rather than taken for a pattern that might miss it.
        if (path.empty()) {
            return false;
        }
        struct stat info {};
        if (::stat(path.c_str(), &info) == 0) {
            return !S_ISDIR(info.st_mode);
        }
        const std::string folder = platform::folderOf(path);
        const std::string name = path.substr(folder.size());
        if (name.find_first_of(kWildcards) == std::string::npos) {
            return false;
        }
        const std::optional<std::string> match = firstMatch(folder, asPattern(name));
        return match && isExistingFile(folder + *match);
    } catch (...) {
        return false;  // only allocation can fail here; the test has no failure to report
    }
}

}  // namespace vestura
