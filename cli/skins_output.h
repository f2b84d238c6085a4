// Outputs that land in a game's skins folder, where the game reads only some file names.
#pragma once

#include <map>
#include <optional>
#include <string>

namespace vestura::cli {

// Refuses skin outputs the game could not read from its skins folder, remembering which
// folders are skins folders so a batch looks at each folder once.
// Where an output lands in a game's skins folder.
struct SkinsFolderPlace {
    std::string folder;  // the skins folder as the system resolves it, ending with a separator
    std::string name;    // the skin's file name in it
};

// Raises UsageError "the output is <what>: PATH" when `output` is the very file `input`
// is (through any link or path); an input that is not there is no such file.
void refuseOutputOverInput(const std::string& output, const std::string& input,
                           const std::string& what);

// Tries, before long work, that `output` can be written as writeFileSafely writes it, and
// raises its failure ("Cannot create file PATH: the folder does not exist") if not; leaves
// nothing behind. A device or FIFO is not tried: opening one is already a write.
void tryOutputPlace(const std::string& output);

class SkinsFolderNames {
public:
    // Raises UsageError when `path` lies in a game's skins folder (a folder named "skins" in
    // any letter case, whose parent holds gta-vc.exe in any letter case, however the path
    // reaches it) and is not a .bmp file under a name checkSkinName accepts: the refusal
    // and the naming rule. Outside such a folder any name is taken. Returns where the
    // output lands when it is in such a folder (through links leading there), else nothing.
    // The form is the one `path`'s own name asks for, also when it is a link to a .bmp file.
    // `skin` false: what is written is no skin (a sheet), which the folder never takes.
    std::optional<SkinsFolderPlace> check(const std::string& path, bool skin = true);

    // True when `folder` is a game's skins folder, however the path reaches it.
    bool isGameSkinsFolder(const std::string& folder) {
        return gameSkinsFolder(folder).has_value();
    }

private:
    std::optional<SkinsFolderPlace> checkFollowing(const std::string& path, const std::string& asked,
                                                   bool skin);
    // The skins folder as the system resolves it, when `folder` is a game's skins folder.
    const std::optional<std::string>& gameSkinsFolder(const std::string& folder);
    int linksFollowed_ = 0;
    std::map<std::string, std::optional<std::string>> folders_;
};

}  // namespace vestura::cli
