// The window's own command line: --catalogue DIR, --help and --version. Every other word is
// left alone, as it always was (Qt's own options among them: they change nothing).
#pragma once

#include <string>
#include <vector>

namespace vestura {

struct WindowOptions {
    std::string catalogue;  // --catalogue: an absolute folder ending with '/'; empty = default
    bool help = false;
    bool version = false;
    std::string error;      // a usage error, naming its option; the others then do not apply
};

// Reads the words after the program's name. A relative --catalogue folder is taken from
// `currentFolder` (the start-up window makes the program folder current before it reads the
// list files). The folder must exist.
WindowOptions readWindowOptions(const std::vector<std::string>& words,
                                const std::string& currentFolder);

extern const char* const kWindowUsage;
extern const char* const kWindowVersion;

}  // namespace vestura
