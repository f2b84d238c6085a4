// vestura-cli doctor: which skins in the game's skins folder the game cannot read, and with
// --fix the rewrite of those stored in another form, through Save's own writer.
#include <sys/stat.h>
#include <QImage>
#include <new>
#include <ostream>

#include "cli/commands.h"
#include "common/errors.h"
#include "common/escape.h"
#include "common/file_io.h"
#include "common/messages.h"
#include "common/platform.h"
#include "game/settings.h"
#include "game/skins_check.h"
#include "picture/bmp/bmp_reader.h"
#include "skin/skin_export.h"

namespace vestura::cli {

namespace {

constexpr std::string_view kBackupExtension = ".bak";

std::string asFolder(std::string folder) {
    if (folder.empty() || !platform::isPathDelimiter(folder.back())) {
        folder.push_back(platform::kPathSeparator);
    }
    return folder;
}

// --game, else the first line of the settings file beside the tool, else the folder the
// window starts with when it has no settings file. The settings file is only read.
std::string gameFolderFor(const Invocation& invocation, const std::string& programFolder) {
    if (invocation.game) {
        return asFolder(*invocation.game);
    }
    return gameFolderFromSettings(programFolder);
}

bool isEntry(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

// True when the backup is a regular file of its own (no link) holding exactly `original`.
bool backupHolds(const std::string& backup, const Bytes& original) {
    struct stat info {};
    if (::lstat(backup.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return false;
    }
    const std::optional<Bytes> held = readFileUpTo(backup, original.size());
    return held && *held == original;
}

// Rewrites a skin stored in another form as the file Save writes for its pixels, after
// keeping the original beside it. Returns why it could not, or an empty text; raises what
// reading and writing raise.
std::string rewrite(const std::string& path, const std::string& name) {
    // The check found the file small enough, but it may have grown since.
    const std::optional<Bytes> original = readFileUpTo(path, kLargestSkinFileBytes);
    if (!original) {
        return "larger than any skin";
    }
    const QImage pixels = readBmpFile(*original).image;
    if (pixels.width() != kSkinSide || pixels.height() != kSkinSide) {
        return "the picture does not decode at 256 x 256";
    }
    const std::string backup = path + std::string(kBackupExtension);
    // An earlier backup is never overwritten, nor anything else at its name (a link, a
    // FIFO, a device), unless it is a file holding these very bytes.
    if (!backupHolds(backup, *original)) {
        if (isEntry(backup)) {
            return name + std::string(kBackupExtension) + " is in the way";
        }
        writeFileSafely(backup, {*original});
    }
    writeSkinFile(path, pixels.convertToFormat(QImage::Format_RGB32));
    return {};
}

// As rewrite(), with a failure of reading or writing (a full or read-only disk) as the
// returned text, so that one skin's failure leaves the others to go on.
std::string fix(const std::string& path, const std::string& name) {
    try {
        return rewrite(path, name);
    } catch (const Exception& e) {
        return e.withCause();
    } catch (const std::bad_alloc&) {
        return std::string(msg::kOutOfMemory);
    }
}

}  // namespace

int runDoctor(const Invocation& invocation, const std::string& folder, std::ostream& out) {
    const std::string gameFolder = gameFolderFor(invocation, folder);
    const std::optional<std::string> skins = skinsFolderOf(gameFolder);
    if (!skins) {
        out << escapeControls(gameFolder) << "skins" << platform::kPathSeparator
            << "\tfolder not found\n";
        return 1;
    }
    bool allGood = true;
    for (const std::string& name : skinFileNames(*skins)) {
        const SkinCheck check = checkSkinFile(*skins, name);
        const std::string shown = escapeControls(name);
        if (check.ok()) {
            out << shown << "\tok\n";
            continue;
        }
        if (invocation.fix && check.onlyForm()) {
            const std::string failure = fix(*skins + name, name);
            if (failure.empty()) {
                out << shown << "\tfixed\n";
                continue;
            }
            out << shown << '\t' << check.describe() << "; not fixed: " << escapeControls(failure)
                << '\n';
        } else {
            out << shown << '\t' << check.describe() << '\n';
        }
        allGood = false;
    }
    return allGood ? 0 : 1;
}

}  // namespace vestura::cli
