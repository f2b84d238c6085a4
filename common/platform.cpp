#include "common/platform.h"

#include <algorithm>
#include <cstdlib>

namespace vestura::platform {

bool isPathDelimiter(char c) {
#ifdef _WIN32
    return c == '\\' || c == ':';
#else
    return c == '/';
#endif
}

std::string folderOf(std::string_view path) {
    const auto last = std::find_if(path.rbegin(), path.rend(), isPathDelimiter);
    return std::string(path.begin(), last.base());
}

std::string nativePath(std::string path) {
#ifndef _WIN32
    std::replace(path.begin(), path.end(), '\\', '/');
#endif
    return path;
}

std::string defaultGameFolder() {
#ifdef _WIN32
    return "C:\\Games\\GTA Vice City\\";
#else
    const char* home = std::getenv("HOME");
    std::string folder = home != nullptr ? home : "";
    if (folder.empty() || folder.back() != '/') {
        folder.push_back('/');
    }
    return folder + ".wine/drive_c/Games/GTA Vice City/";
#endif
}

}  // namespace vestura::platform
