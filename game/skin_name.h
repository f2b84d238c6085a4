// The skin name a player types, checked before anything is written: the file it gives in the
// skins folder, or why the game could not use it.
#pragma once

#include <string>
#include <string_view>

namespace vestura {

struct SkinName {
    std::string fileName;  // "Lance.bmp"; empty when refused
    std::string refusal;   // why the name cannot be used, in plain words; empty when accepted

    bool accepted() const { return refusal.empty(); }
};

// What a skin name may be, for the message that refuses one.
inline constexpr std::string_view kSkinNameRule =
    "A skin name is 1 to 31 plain ASCII characters (letters, digits, spaces and punctuation), "
    "without / \\ : * ? \" < > |, and not a device name such as CON or NUL.";

// Checks `typed` as the field holds it. Spaces at either end are trimmed and one final ".bmp"
// (any letter case) is taken as already typed. The accepted name stays inside the skins
// folder, and the skins check calls its file ok.
SkinName checkSkinName(std::string_view typed);

}  // namespace vestura
