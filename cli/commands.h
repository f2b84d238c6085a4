// The commands of vestura-cli. Each writes its normal output to `out`, its failures
// to `err`, and returns the exit status: 0 success, 1 a failure (or a problem found).
#pragma once

#include <iosfwd>
#include <string>

#include "cli/command_line.h"

namespace vestura {
struct Mesh;
}

namespace vestura::cli {

// render, recipes and view report a list file that cannot be read on `err`, go on with the
// other categories, and end with status 1; naming an entry of its category is a usage error
// (a line failure in a recipes file). render and recipes record the outfit of every skin they
// write into a game's skins folder in that folder's outfits.txt once the skin is in place; a
// record that cannot be written is reported, leaves the skin, and makes the status 1.
int runRender(const Invocation& invocation, const std::string& folder, std::ostream& err);
// Shows "skin N/TOTAL" on `err` while it works when `errIsTerminal` and the batch is long.
int runRecipes(const Invocation& invocation, const std::string& folder, std::ostream& err,
               bool errIsTerminal = false);
int runCheck(const std::string& folder, std::ostream& out);
int runConvert(const Invocation& invocation);
// Lists the entries of every list file that could be read; those that could not are
// reported on `err` and make the status 1.
int runList(const std::string& folder, std::ostream& out, std::ostream& err);
int runGames(std::ostream& out);
// Writes the authoring template: PNG or BMP by the output's extension.
int runTemplate(const Invocation& invocation);
int runDoctor(const Invocation& invocation, const std::string& folder, std::ostream& out);
// The game folder comes from --game, else from the settings read in `settingsFolder`.
int runView(const Invocation& invocation, const std::string& folder,
            const std::string& settingsFolder, std::ostream& err);
// The player model view and sheet --view draw: --model, else --game's, else the one in the
// game folder the settings read in `settingsFolder` name. Not found there, the failure says
// where the folder came from and that --game or --model names another.
Mesh viewModel(const Invocation& invocation, const std::string& settingsFolder);

// Writes the sheet of the catalogue: PNG or BMP by the output's extension. An entry that
// fails is a marked tile and a line on `err`, and makes the status 1; the sheet is written.
// With --view, the game folder is found as for view.
int runSheet(const Invocation& invocation, const std::string& folder,
             const std::string& settingsFolder, std::ostream& err);

// Parses and runs a whole command line (the words after the program name). `programFolder`
// holds the settings, and the list files unless the user has a catalogue of their own
// (catalogueFolderOf); --folder names both. Usage errors give 2 with their line on `err`.
// `errIsTerminal`: `err` is a terminal, where long batches show their progress.
int run(const std::vector<std::string>& arguments, const std::string& programFolder,
        std::ostream& out, std::ostream& err, bool errIsTerminal = false);

}  // namespace vestura::cli
