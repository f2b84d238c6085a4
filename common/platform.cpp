#include "common/platform.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

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

std::string executableFolder() {
#ifdef _WIN32
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return length == 0 || length == MAX_PATH ? std::string()
                                             : folderOf(std::string_view(path, length));
#else
    std::error_code error;
    const std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : folderOf(path.string());
#endif
}

}  // namespace vestura::platform
