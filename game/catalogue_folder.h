// Which folder the list files are read from: the user's own catalogue when it holds any list
// file, else the program folder. A system install cannot be written to; a user adds parts to
// a catalogue of their own instead.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vestura {

// The user's own catalogue, $XDG_DATA_HOME/vestura/catalogue/ (an absolute XDG_DATA_HOME
// only), else $HOME/.local/share/vestura/catalogue/; empty when neither is set.
std::string userCatalogueFolder();

// The user's own catalogue when it holds any of `listFiles` (names of files, not folders),
// else `programFolder`. Both end with a separator.
std::string catalogueFolder(const std::string& programFolder,
                            const std::vector<std::string_view>& listFiles);

}  // namespace vestura
