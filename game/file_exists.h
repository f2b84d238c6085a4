// The file existence test used before touching a file.
#pragma once

#include <string>

namespace vestura {

// True when the path names an existing entry that is not a folder. When no entry has the
// literal name, wildcards ("*", "?", "[") in the last component act as patterns and the
// first match in name order decides. Never fails.
bool FileExists(const std::string& path);

}  // namespace vestura
