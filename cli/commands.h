// The commands of vestura-cli. Each writes its normal output to `out`, its failures
// to `err`, and returns the exit status: 0 success, 1 a failure (or a problem found).
#pragma once

#include <iosfwd>
#include <string>

#include "cli/command_line.h"

namespace vestura::cli {

int runRender(const Invocation& invocation, const std::string& folder, std::ostream& err);
int runRecipes(const Invocation& invocation, const std::string& folder, std::ostream& err);
int runCheck(const std::string& folder, std::ostream& out);
int runConvert(const Invocation& invocation);
int runList(const std::string& folder, std::ostream& out);
int runGames(std::ostream& out);
int runDoctor(const Invocation& invocation, const std::string& folder, std::ostream& out);

// Parses and runs a whole command line (the words after the program name). `programFolder`
// is the default for --folder. Usage errors give 2 with the usage text on `err`.
int run(const std::vector<std::string>& arguments, const std::string& programFolder,
        std::ostream& out, std::ostream& err);

}  // namespace vestura::cli
