// fileNameBytes: a path Qt decoded, mapped back to the entries of the file system.
#include "app/file_name_bytes.h"

#include <dirent.h>
#include <sys/stat.h>

#include <QFile>
#include <QStringList>
#include <memory>
#include <optional>

#include "common/text8.h"

namespace vestura {

namespace {

bool exists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

std::string encoded(const QString& name) {
    return QFile::encodeName(name).toStdString();
}

struct FolderCloser {
    void operator()(DIR* folder) const { ::closedir(folder); }
};

// True when the entry's name shows as `name`, in Qt's decoding or in the program's own.
bool shownAs(const char* entry, const QString& name) {
    return QFile::decodeName(entry) == name ||
           QString::fromStdString(text8::decoded(entry)) == name;
}

// The one entry of `folder` (ending with "/") whose name shows as `name`.
std::optional<std::string> singleEntryShownAs(const std::string& folder, const QString& name) {
    std::unique_ptr<DIR, FolderCloser> entries(::opendir(folder.c_str()));
    if (!entries) {
        return std::nullopt;
    }
    std::optional<std::string> found;
    while (const dirent* entry = ::readdir(entries.get())) {
        if (!shownAs(entry->d_name, name)) {
            continue;
        }
        if (found) {
            return std::nullopt;  // two names that show alike: neither is taken
        }
        found = std::string(entry->d_name);
    }
    return found;
}

}  // namespace

std::string fileNameBytes(const QString& path) {
    const std::string asEncoded = encoded(path);
    if (!path.startsWith(QLatin1Char('/')) || exists(asEncoded)) {
        return asEncoded;
    }
    std::string resolved = "/";
    const QStringList components = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < components.size(); ++i) {
        const QString& component = components[i];
        std::string name = encoded(component);
        if (!exists(resolved + name)) {
            const std::optional<std::string> entry = singleEntryShownAs(resolved, component);
            if (!entry) {
                return asEncoded;
            }
            name = *entry;
        }
        resolved += name;
        if (i + 1 < components.size() || path.endsWith(QLatin1Char('/'))) {
            resolved += '/';
        }
    }
    return resolved;
}

}  // namespace vestura
