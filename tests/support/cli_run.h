// Runs vestura-cli's commands in this process, as its executable would, and keeps what
// they print.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"

namespace vestura::test {

struct CliOutcome {
    int status;
    std::string out;
    std::string err;
};

inline CliOutcome runCli(const std::vector<std::string>& arguments,
                         const std::string& folder = "/nowhere/") {
    std::ostringstream out, err;
    const int status = cli::run(arguments, folder, out, err);
    return {status, out.str(), err.str()};
}

}  // namespace vestura::test
