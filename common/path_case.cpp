#include "common/path_case.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string_view>

#include "common/platform.h"

namespace vestura {

namespace {

bool equalIgnoringCase(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

bool exists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::path(path), error);
}

// The one entry of `folder` (a prefix ending with a separator, or empty for the current
// folder) that matches `name`.
std::optional<std::string> singleMatch(const std::string& folder, std::string_view name,
                                       const ComponentMatch& matches) {
    std::error_code error;
    std::filesystem::directory_iterator entries(folder.empty() ? "." : folder, error);
    std::optional<std::string> found;
    for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        const std::string entry = entries->path().filename().string();
        if (matches(entry, name)) {
            if (found) {
                return std::nullopt;  // two entries match alike: neither is taken
            }
            found = entry;
        }
    }
    return found;
}

}  // namespace

std::string resolveComponents(const std::string& path, const ComponentMatch& matches) {
    if (path.empty() || exists(path)) {
        return path;
    }
    std::string resolved;
    std::size_t start = 0;
    while (start < path.size()) {
        const std::size_t end = path.find(platform::kPathSeparator, start);
        const std::string_view component =
            std::string_view(path).substr(start, end == std::string::npos ? end : end - start);
        const std::string separator =
            end == std::string::npos ? "" : std::string(1, platform::kPathSeparator);
        start = end == std::string::npos ? path.size() : end + 1;
        if (component.empty() || component == "." || component == ".." ||
            exists(resolved + std::string(component))) {
            resolved += std::string(component) + separator;
            continue;
        }
        const std::optional<std::string> match = singleMatch(resolved, component, matches);
        if (!match) {
            return path;
        }
        resolved += *match + separator;
    }
    return resolved;
}

std::string resolveIgnoringCase(const std::string& path) {
#ifdef _WIN32
    return path;
#else
    return resolveComponents(path, equalIgnoringCase);
#endif
}

}  // namespace vestura
