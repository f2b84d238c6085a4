// Outputs that land in a game's skins folder, where the game reads only some file names.
#pragma once

#include <map>
#include <string>

namespace vestura::cli {

// Refuses skin outputs the game could not read from its skins folder, remembering which
// folders are skins folders so a batch looks at each folder once.
class SkinsFolderNames {
public:
    // Raises UsageError when `path` lies in a game's skins folder (a folder named "skins" in
    // any letter case, whose parent holds gta-vc.exe in any letter case, however the path
    // reaches it) and is not a .bmp file under a name checkSkinName accepts: the refusal
    // and the naming rule. Outside such a folder any name is taken.
    void check(const std::string& path);

private:
    void checkFollowing(const std::string& path);
    bool isGameSkinsFolder(const std::string& folder);

    int linksFollowed_ = 0;
    std::map<std::string, bool> folders_;
};

}  // namespace vestura::cli
