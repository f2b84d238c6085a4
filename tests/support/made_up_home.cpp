#include "tests/support/made_up_home.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

namespace vestura::test {

namespace fs = std::filesystem;

MadeUpHome::~MadeUpHome() {
    // Lets the temporary folder's removal into the unreadable decoy.
    ::chmod(path("Games/locked/drive_c").c_str(), 0755);
}

std::string MadeUpHome::home() const {
    std::string path = dir_.path();
    path.pop_back();
    return path;
}

void MadeUpHome::folder(const std::string& relative) const {
    fs::create_directories(path(relative));
}

void MadeUpHome::file(const std::string& relative, const std::string& content) const {
    fs::create_directories(fs::path(path(relative)).parent_path());
    writeFile(path(relative), content);
}

void MadeUpHome::link(const std::string& relative, const std::string& target) const {
    fs::create_directories(fs::path(path(relative)).parent_path());
    fs::create_symlink(target, path(relative));
}

void MadeUpHome::game(const std::string& relative, bool skins, const std::string& exeName) const {
    file(relative + "/" + exeName);
    if (skins) {
        folder(relative + "/skins");
    }
}

void MadeUpHome::buildEveryPlace() const {
    const std::string vc = "steamapps/common/Grand Theft Auto Vice City";
    // Native Steam: the new layout names a second library, which holds the game under the
    // folder its app manifest names. ~/.steam/steam leads to the same root.
    game(".local/share/Steam/" + vc, true);
    file(".local/share/Steam/steamapps/libraryfolders.vdf",
         "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"" + path(".local/share/Steam") +
             "\"\n\t\t\"apps\" { \"12110\" \"0\" }\n\t}\n\t\"1\"\n\t{\n\t\t\"path\"\t\t\"" +
             path("disk-new") + "\"\n\t}\n}\n");
    game("disk-new/steamapps/common/Vice City Renamed");
    file("disk-new/steamapps/appmanifest_12110.acf",
         "\"AppState\"\n{\n\t\"appid\"\t\"12110\"\n\t\"installdir\"\t\"Vice City Renamed\"\n}\n");
    link(".steam/steam", "../.local/share/Steam");
    // Debian's Steam root, with the old layout in config/, naming another library.
    folder(".steam/debian-installation/steamapps");
    file(".steam/debian-installation/config/libraryfolders.vdf",
         "\"LibraryFolders\"\n{\n\t\"TimeNextStatsReport\"\t\"1\"\n\t\"1\"\t\"" + path("disk-old") +
             "\"\n}\n");
    game("disk-old/" + vc, false, "GTA-VC.EXE");
    // Flatpak and Snap roots.
    game(".var/app/com.valvesoftware.Steam/.local/share/Steam/" + vc);
    game("snap/steam/common/.local/share/Steam/" + vc);
    // ~/.wine without skins, a Lutris prefix, a Bottles prefix, a PlayOnLinux prefix with a
    // Windows Steam inside.
    game(".wine/drive_c/Games/GTA Vice City");
    game(
        "Games/gta-vice-city/drive_c/Program Files (x86)/Rockstar Games/Grand Theft Auto Vice City",
        true);
    game(".local/share/bottles/bottles/Vice/drive_c/Program Files/Rockstar Games/GTA VC");
    game(".PlayOnLinux/wineprefix/vc/drive_c/Program Files (x86)/Steam/" + vc);
    // Decoys: a prefix holding only other programs, a folder named like the executable, the
    // game too deep, an unreadable folder, a link loop, a prefix without drive_c.
    game("Games/office/drive_c/Program Files/Office", false, "winword.exe");
    folder("Games/office/drive_c/Games/Trap/gta-vc.exe");
    game("Games/office/drive_c/a/b/c/d/e");
    game("Games/locked/drive_c/Secret");
    ::chmod(path("Games/locked/drive_c").c_str(), 0);
    link("Games/office/drive_c/a/loop", "..");
    link(".wine/drive_c/Games/again", "../../drive_c");
    game("Games/not-a-prefix/Grand Theft Auto Vice City");
}

std::string MadeUpHome::expectedListing() const {
    const std::string vc = "steamapps/common/Grand Theft Auto Vice City/";
    const std::string lines[] = {
        "wine\t" + path(".PlayOnLinux/wineprefix/vc/drive_c/Program Files (x86)/Steam/" + vc),
        "steam\t" + path(".local/share/Steam/" + vc),
        "wine\t" +
            path(".local/share/bottles/bottles/Vice/drive_c/Program Files/Rockstar Games/GTA VC/"),
        "steam\t" + path(".var/app/com.valvesoftware.Steam/.local/share/Steam/" + vc),
        "wine\t" + path(".wine/drive_c/Games/GTA Vice City/"),
        "wine\t" + path("Games/gta-vice-city/drive_c/Program Files (x86)/Rockstar Games/Grand "
                        "Theft Auto Vice City/"),
        "steam\t" + path("disk-new/steamapps/common/Vice City Renamed/"),
        "steam\t" + path("disk-old/" + vc),
        "steam\t" + path("snap/steam/common/.local/share/Steam/" + vc),
    };
    std::string listing;
    for (const std::string& line : lines) {
        listing += line + '\n';
        // Permissions do not stop the superuser: then the locked prefix is searched too.
        if (line.find("gta-vice-city") != std::string::npos &&
            ::access(path("Games/locked/drive_c").c_str(), R_OK | X_OK) == 0) {
            listing += "wine\t" + path("Games/locked/drive_c/Secret/") + '\n';
        }
    }
    return listing;
}

HomeVariables::HomeVariables(const std::string& home) {
    for (const char* name : {"HOME", "XDG_DATA_HOME", "WINEPREFIX"}) {
        saved_.emplace_back(name, qgetenv(name));
        qunsetenv(name);
    }
    qputenv("HOME", QByteArray::fromStdString(home));
}

HomeVariables::~HomeVariables() {
    for (const auto& [name, value] : saved_) {
        if (value.isNull()) {
            qunsetenv(name);
        } else {
            qputenv(name, value);
        }
    }
}

}  // namespace vestura::test
