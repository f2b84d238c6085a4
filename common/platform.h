// The facts that differ between Windows and POSIX: path separators, the default game
// folder. Windows behaviour is the reference; POSIX translates it.
#pragma once

#include <string>
#include <string_view>

namespace vestura::platform {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// True for a character that ends a path component: "\" and ":" on Windows, "/" on POSIX.
bool isPathDelimiter(char c);

// The path up to and including its last delimiter; empty when it has none.
std::string folderOf(std::string_view path);

// A path read from a catalogue or settings file, written with Windows separators, in the
// form this platform opens: on POSIX every "\" becomes "/"; on Windows it is unchanged.
std::string nativePath(std::string path);

// The game folder used until the user chooses one, ending with a separator:
// "C:\Games\GTA Vice City\" on Windows; on POSIX the same folder inside the default Wine
// prefix, "$HOME/.wine/drive_c/Games/GTA Vice City/".
std::string defaultGameFolder();

// The folder of the running executable, ending with a separator, found without any Qt
// application object; empty when the system cannot tell.
std::string executableFolder();

}  // namespace vestura::platform
