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

// A usage error as the user sees it: exit status 2, nothing on standard output, and on
// standard error its own line and the pointer to --help, without the usage text.
inline bool isUsageError(const CliOutcome& outcome) {
    const std::string tryHelp = "\nTry 'vestura-cli --help'.\n";
    const std::string& err = outcome.err;
    return outcome.status == 2 && outcome.out.empty() && err.starts_with("vestura-cli: ") &&
           err.ends_with(tryHelp) && err.find('\n') == err.size() - tryHelp.size();
}

inline CliOutcome runCli(const std::vector<std::string>& arguments,
                         const std::string& folder = "/nowhere/") {
    std::ostringstream out, err;
    const int status = cli::run(arguments, folder, out, err);
    return {status, out.str(), err.str()};
}

}  // namespace vestura::test
