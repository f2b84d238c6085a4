// The install finder. Steam libraries are visited first, then Wine prefixes; an install
// whose real folder was already found is not listed again, so the first way to it names it.
#include "game/installs.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <deque>
#include <optional>
#include <set>
#include <utility>

#include "common/text8.h"
#include "game/vdf.h"

namespace vestura {

namespace {

constexpr std::string_view kExecutable = "gta-vc.exe";
constexpr std::string_view kSteamFolder = "Grand Theft Auto Vice City";
constexpr std::string_view kAppManifest = "appmanifest_12110.acf";
constexpr std::string_view kPrefixDrive = "/drive_c/";
// How many folder levels below drive_c an install may lie.
constexpr int kDriveSearchDepth = 4;
// Steam's key-value files are a few kilobytes; anything much larger is not one.
constexpr off_t kMaxKeyValueFileBytes = off_t{1} << 20;
// Libraries listing one another cannot make the search run long: at most this many are
// visited, and their library lists together are read up to this many bytes.
constexpr std::size_t kMaxLibraries = 64;
constexpr off_t kMaxLibraryListBytes = off_t{4} << 20;

// The native Steam roots below the home (or data) folder, and the Wine prefix containers.
constexpr std::string_view kHomeSteamRoots[] = {
    ".steam/steam",
    ".steam/root",
    ".steam/debian-installation",
    ".var/app/com.valvesoftware.Steam/.local/share/Steam",
    ".var/app/com.valvesoftware.Steam/data/Steam",
    "snap/steam/common/.local/share/Steam",
};
constexpr std::string_view kDataSteamRoot = "Steam";
constexpr std::string_view kHomePrefix = ".wine";
constexpr std::string_view kHomePrefixContainers[] = {
    "Games",  // Lutris
    ".var/app/com.usebottles.bottles/data/bottles/bottles",
    ".PlayOnLinux/wineprefix",
};
constexpr std::string_view kDataPrefixContainer = "bottles/bottles";
// Where a Windows Steam sits inside a prefix's drive_c.
constexpr std::string_view kPrefixSteamRoots[] = {"Program Files (x86)/Steam",
                                                  "Program Files/Steam"};

using FileId = std::pair<dev_t, ino_t>;

std::string join(const std::string& folder, std::string_view name) {
    return folder + '/' + std::string(name);
}

std::string withoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

using text8::equalsIgnoringCase;

bool inPrefixDrive(const std::string& path) {
    return (path + '/').find(kPrefixDrive) != std::string::npos;
}

std::optional<FileId> folderId(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return std::nullopt;
    }
    return FileId{info.st_dev, info.st_ino};
}

std::optional<std::string> realFolder(const std::string& path) {
    char buffer[PATH_MAX];
    if (::realpath(path.c_str(), buffer) == nullptr) {
        return std::nullopt;
    }
    return std::string(buffer);
}

// The type of a folder entry, looking through a symbolic link when the listing cannot tell.
mode_t entryType(const std::string& folder, const dirent& entry) {
    switch (entry.d_type) {
        case DT_DIR:
            return S_IFDIR;
        case DT_REG:
            return S_IFREG;
        case DT_LNK:
        case DT_UNKNOWN: {
            struct stat info {};
            const std::string path = join(folder, entry.d_name);
            return ::stat(path.c_str(), &info) == 0 ? info.st_mode & S_IFMT : 0;
        }
        default:
            return 0;
    }
}

bool isDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// The whole of a small regular file; nullopt when it is missing, unreadable, not a regular
// file or larger than `limit`. Opened without blocking, so a pipe of that name cannot stall
// the search.
std::optional<std::string> readKeyValueFile(const std::string& path,
                                            off_t limit = kMaxKeyValueFileBytes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    std::optional<std::string> text;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
        info.st_size <= std::min(limit, kMaxKeyValueFileBytes)) {
        std::string bytes(static_cast<std::size_t>(info.st_size), '\0');
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (got <= 0) {
                break;
            }
            done += static_cast<std::size_t>(got);
        }
        bytes.resize(done);
        text = std::move(bytes);
    }
    ::close(fd);
    return text;
}

// Closes a listing on every path out of a scan.
class Listing {
public:
    explicit Listing(const std::string& folder) : dir_(::opendir(folder.c_str())) {}
    ~Listing() {
        if (dir_ != nullptr) {
            ::closedir(dir_);
        }
    }
    Listing(const Listing&) = delete;
    Listing& operator=(const Listing&) = delete;

    bool open() const { return dir_ != nullptr; }
    const dirent* next() { return ::readdir(dir_); }
    std::optional<FileId> id() const {
        struct stat info {};
        if (::fstat(::dirfd(dir_), &info) != 0) {
            return std::nullopt;
        }
        return FileId{info.st_dev, info.st_ino};
    }

private:
    DIR* dir_;
};

bool holdsExecutable(const std::string& folder) {
    Listing listing(folder);
    if (!listing.open()) {
        return false;
    }
    while (const dirent* entry = listing.next()) {
        if (equalsIgnoringCase(entry->d_name, kExecutable) &&
            entryType(folder, *entry) == S_IFREG) {
            return true;
        }
    }
    return false;
}

// The subfolders of `folder`, sorted by name so the search runs the same way every time.
std::vector<std::string> subfolders(const std::string& folder) {
    std::vector<std::string> names;
    Listing listing(folder);
    if (!listing.open()) {
        return names;
    }
    while (const dirent* entry = listing.next()) {
        if (!isDotOrDotDot(entry->d_name) && entryType(folder, *entry) == S_IFDIR) {
            names.emplace_back(entry->d_name);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A manifest's "installdir": one folder name below steamapps/common/, never a path.
std::optional<std::string> manifestInstallFolder(const std::string& manifestPath) {
    const std::optional<std::string> text = readKeyValueFile(manifestPath);
    if (!text) {
        return std::nullopt;
    }
    const VdfNode root = parseVdf(*text);
    const VdfNode* state = root.child("AppState");
    const VdfNode* folder = state != nullptr ? state->child("installdir") : nullptr;
    if (folder == nullptr || folder->block || folder->value.empty() || folder->value == "." ||
        folder->value == ".." || folder->value.find_first_of("/\\") != std::string::npos) {
        return std::nullopt;
    }
    return folder->value;
}

bool allDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The library paths a libraryfolders.vdf lists. The old layout maps "1", "2", ... straight
// to paths; the new one maps them to blocks holding a "path" key.
std::vector<std::string> listedLibraries(const std::string& text) {
    std::vector<std::string> paths;
    const VdfNode root = parseVdf(text);
    const VdfNode* folders = root.child("libraryfolders");
    if (folders == nullptr || !folders->block) {
        return paths;
    }
    for (const VdfNode& entry : folders->children) {
        if (!allDigits(entry.key)) {
            continue;
        }
        const VdfNode* path = entry.block ? entry.child("path") : &entry;
        if (path != nullptr && !path->block && !path->value.empty()) {
            paths.push_back(path->value);
        }
    }
    return paths;
}

class Finder {
public:
    explicit Finder(const InstallSearchRoots& roots) : roots_(roots) {}

    std::vector<GameInstall> run() {
        const std::string home =
            roots_.home.empty() ? std::string() : withoutTrailingSlashes(roots_.home);
        const bool dataSet = !roots_.xdgDataHome.empty() && roots_.xdgDataHome.front() == '/';
        const std::string data = dataSet        ? withoutTrailingSlashes(roots_.xdgDataHome)
                                 : home.empty() ? std::string()
                                                : join(home, ".local/share");
        if (!data.empty()) {
            steamLibrary(join(data, kDataSteamRoot), {});
        }
        if (!home.empty()) {
            for (std::string_view root : kHomeSteamRoots) {
                steamLibrary(join(home, root), {});
            }
        }
        if (!roots_.winePrefix.empty()) {
            prefix(withoutTrailingSlashes(roots_.winePrefix));
        }
        if (!home.empty()) {
            prefix(join(home, kHomePrefix));
            for (std::string_view container : kHomePrefixContainers) {
                prefixesIn(join(home, container));
            }
        }
        if (!data.empty()) {
            prefixesIn(join(data, kDataPrefixContainer));
        }
        std::sort(found_.begin(), found_.end(),
                  [](const GameInstall& a, const GameInstall& b) { return a.folder < b.folder; });
        return std::move(found_);
    }

private:
    // A Steam library and, breadth first, the libraries it lists: queued by path, so no
    // list's text is held while another is read.
    void steamLibrary(const std::string& root, const std::string& prefix) {
        pending_.push_back({root, prefix});
        if (pending_.size() > 1) {
            return;  // the visit under way takes it
        }
        while (!pending_.empty()) {
            visitLibrary(pending_.front().first, pending_.front().second);
            pending_.pop_front();
        }
    }

    // A Steam library: its Vice City folder, the folder its app manifest names, and the
    // libraries its libraryfolders.vdf lists. `prefix` is the Wine prefix of a Windows Steam,
    // empty for a native one.
    void visitLibrary(const std::string& root, const std::string& prefix) {
        const std::optional<FileId> id = folderId(root);
        if (!id || libraries_.size() >= kMaxLibraries || !libraries_.insert(*id).second) {
            return;
        }
        const InstallKind kind = prefix.empty() ? InstallKind::Steam : InstallKind::Wine;
        const std::string steamapps = join(root, "steamapps");
        const std::string common = join(steamapps, "common");
        consider(join(common, kSteamFolder), kind);
        if (const auto folder = manifestInstallFolder(join(steamapps, kAppManifest))) {
            consider(join(common, *folder), kind);
        }
        for (const std::string& list :
             {join(steamapps, "libraryfolders.vdf"), join(root, "config/libraryfolders.vdf")}) {
            const std::optional<std::string> text = readKeyValueFile(list, listBytesLeft_);
            if (!text) {
                continue;
            }
            listBytesLeft_ -= static_cast<off_t>(text->size());
            for (const std::string& listed : listedLibraries(*text)) {
                const auto library = libraryPath(listed, prefix);
                if (library && queued_.size() < kMaxLibraries && queued_.insert(*library).second) {
                    pending_.push_back({*library, prefix});
                }
            }
        }
    }

    // A listed library as a path here: a native Steam lists absolute paths; a Windows Steam
    // lists drive paths, of which those on C: lie in the prefix's drive_c.
    static std::optional<std::string> libraryPath(const std::string& listed,
                                                  const std::string& prefix) {
        if (prefix.empty()) {
            return listed.front() == '/' ? std::optional(withoutTrailingSlashes(listed))
                                         : std::nullopt;
        }
        if (listed.size() < 2 || (listed[0] != 'C' && listed[0] != 'c') || listed[1] != ':') {
            return std::nullopt;
        }
        std::string rest = listed.substr(2);
        std::replace(rest.begin(), rest.end(), '\\', '/');
        return withoutTrailingSlashes(join(prefix, "drive_c") + (rest.empty() ? "/" : rest));
    }

    void prefixesIn(const std::string& container) {
        for (const std::string& name : subfolders(container)) {
            prefix(join(container, name));
        }
    }

    void prefix(const std::string& path) {
        const std::string drive = join(path, "drive_c");
        const std::optional<FileId> id = folderId(drive);
        if (!id || !prefixes_.insert(*id).second) {
            return;
        }
        searchDrive(drive, 0);
        for (std::string_view steam : kPrefixSteamRoots) {
            steamLibrary(join(drive, steam), path);
        }
    }

    // Looks for the executable in `folder` and in its subfolders down to kDriveSearchDepth
    // levels below drive_c. A folder already entered (through a link, or a link loop) is
    // not entered again.
    void searchDrive(const std::string& folder, int depth) {
        std::vector<std::string> below;
        bool holds = false;
        {
            Listing listing(folder);
            if (!listing.open()) {
                return;
            }
            const std::optional<FileId> id = listing.id();
            if (!id || !driveFolders_.insert(*id).second) {
                return;
            }
            while (const dirent* entry = listing.next()) {
                if (isDotOrDotDot(entry->d_name)) {
                    continue;
                }
                const bool named = equalsIgnoringCase(entry->d_name, kExecutable);
                if (!named && depth >= kDriveSearchDepth) {
                    continue;
                }
                const mode_t type = entryType(folder, *entry);
                if (named && type == S_IFREG) {
                    holds = true;
                } else if (type == S_IFDIR && depth < kDriveSearchDepth) {
                    below.emplace_back(entry->d_name);
                }
            }
        }
        if (holds) {
            consider(folder, InstallKind::Wine);
        }
        std::sort(below.begin(), below.end());
        for (const std::string& name : below) {
            searchDrive(join(folder, name), depth + 1);
        }
    }

    void consider(const std::string& folder, InstallKind kind) {
        if (!holdsExecutable(folder)) {
            return;
        }
        const std::optional<std::string> real = realFolder(folder);
        if (!real || !realFolders_.insert(*real).second) {
            return;
        }
        if (inPrefixDrive(folder) || inPrefixDrive(*real)) {
            kind = InstallKind::Wine;
        }
        found_.push_back({kind, folder + '/'});
    }

    InstallSearchRoots roots_;
    std::deque<std::pair<std::string, std::string>> pending_;  // libraries: root, prefix
    std::set<std::string> queued_;                             // every library path listed, once
    off_t listBytesLeft_ = kMaxLibraryListBytes;
    std::set<FileId> libraries_;
    std::set<FileId> prefixes_;
    std::set<FileId> driveFolders_;
    std::set<std::string> realFolders_;
    std::vector<GameInstall> found_;
};

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

// True for ".../steamapps/common/NAME", with or without trailing slashes.
bool directlyInSteamCommon(const std::string& path) {
    const std::string folder = withoutTrailingSlashes(path);
    const std::size_t slash = folder.rfind('/');
    if (slash == std::string::npos || slash + 1 >= folder.size()) {
        return false;
    }
    const std::string_view parent = std::string_view(folder).substr(0, slash);
    return parent.ends_with("/steamapps/common");
}

}  // namespace

std::string_view installKindName(InstallKind kind) {
    return kind == InstallKind::Steam ? "steam" : "wine";
}

InstallSearchRoots searchRootsFromEnvironment() {
    return {environment("HOME"), environment("XDG_DATA_HOME"), environment("WINEPREFIX")};
}

std::vector<GameInstall> findInstalls(const InstallSearchRoots& roots) {
    return Finder(roots).run();
}

bool isSteamInstall(const std::string& gameFolder) {
    if (gameFolder.empty() || inPrefixDrive(gameFolder)) {
        return false;
    }
    const std::optional<std::string> real = realFolder(gameFolder);
    if (real && inPrefixDrive(*real)) {
        return false;
    }
    return directlyInSteamCommon(gameFolder) || (real && directlyInSteamCommon(*real));
}

}  // namespace vestura
