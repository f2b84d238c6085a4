// The file existence test used before touching a file.
#pragma once

#include <string>

namespace vestura {

// True when the path names an existing entry that is not a folder. Wildcards ("*", "?",
// "[") in the last component act as patterns; the first match decides. Never fails.
bool FileExists(const std::string& path);

}  // namespace vestura
