// Made-up home folders for the install finder: Steam roots, libraries and Wine prefixes
// laid out as Steam, Lutris, Bottles and PlayOnLinux lay them out, plus decoys.
#pragma once

#include <QByteArray>
#include <string>
#include <utility>
#include <vector>

#include "game/installs.h"
#include "tests/support/temp_folder.h"

namespace vestura::test {

class MadeUpHome {
public:
    MadeUpHome() = default;
    ~MadeUpHome();
    MadeUpHome(const MadeUpHome&) = delete;
    MadeUpHome& operator=(const MadeUpHome&) = delete;

    // The home folder, without a trailing separator.
    std::string home() const;
    std::string path(const std::string& relative) const { return home() + '/' + relative; }
    InstallSearchRoots roots() const { return {home(), {}, {}}; }

    void folder(const std::string& relative) const;
    void file(const std::string& relative, const std::string& content = "MZ") const;
    void link(const std::string& relative, const std::string& target) const;
    // A game folder holding the executable under `exeName`, and a skins folder if asked.
    void game(const std::string& relative, bool skins = false,
              const std::string& exeName = "gta-vc.exe") const;

    // The home of the finder's tests: every kind of place, each with one install, and the
    // decoys; expectedListing() lists what the finder must report for it.
    void buildEveryPlace() const;
    std::string expectedListing() const;  // "KIND<TAB>FOLDER" lines, sorted

private:
    TempFolder dir_;
};

// Points HOME at a made-up home folder, with XDG_DATA_HOME and WINEPREFIX unset, for the
// life of the object.
class HomeVariables {
public:
    explicit HomeVariables(const std::string& home);
    ~HomeVariables();
    HomeVariables(const HomeVariables&) = delete;
    HomeVariables& operator=(const HomeVariables&) = delete;

private:
    std::vector<std::pair<const char*, QByteArray>> saved_;
};

}  // namespace vestura::test
