// vestura-cli games: every game install found, one per line.
#include <ostream>

#include "cli/commands.h"
#include "common/escape.h"
#include "game/installs.h"
#include "game/skins_check.h"

namespace vestura::cli {

int runGames(std::ostream& out) {
    const std::vector<GameInstall> installs = findInstalls(searchRootsFromEnvironment());
    for (const GameInstall& install : installs) {
        out << installKindName(install.kind) << '\t' << escapeControls(install.folder) << '\t'
            << (skinsFolderOf(install.folder) ? "skins" : "no-skins") << '\n';
    }
    return installs.empty() ? 1 : 0;
}

}  // namespace vestura::cli
