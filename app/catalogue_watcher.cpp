#include "app/catalogue_watcher.h"

#include <QDateTime>
#include <QFileInfo>
#include <QStringList>
#include <set>

#include "common/platform.h"

namespace vestura {

CatalogueWatcher::CatalogueWatcher(QObject* parent) : QObject(parent) {
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    connect(&settle_, &QTimer::timeout, this, &CatalogueWatcher::check);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, &CatalogueWatcher::noticed);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &CatalogueWatcher::noticed);
}

void CatalogueWatcher::watch(const std::vector<std::string>& files) {
    if (!watcher_.files().isEmpty()) {
        watcher_.removePaths(watcher_.files());
    }
    if (!watcher_.directories().isEmpty()) {
        watcher_.removePaths(watcher_.directories());
    }
    files_ = files;
    QStringList paths;
    std::set<std::string> folders;
    for (const std::string& file : files_) {
        paths.append(QString::fromLocal8Bit(file));
        folders.insert(platform::folderOf(file));
    }
    for (const std::string& folder : folders) {
        if (!folder.empty()) {
            paths.append(QString::fromLocal8Bit(folder));
        }
    }
    watcher_.addPaths(paths);  // a missing file is left out; its folder shows it arriving
    before_ = signature();
}

// A change restarts the wait, so a file written in many pieces is read once, at the end.
void CatalogueWatcher::noticed() {
    settle_.start();
}

void CatalogueWatcher::check() {
    const std::string now = signature();
    if (now == before_) {
        return;  // something else in the folder changed
    }
    before_ = now;
    emit settled();
}

std::string CatalogueWatcher::signature() const {
    std::string all;
    for (const std::string& file : files_) {
        const QFileInfo info(QString::fromLocal8Bit(file));
        if (info.exists()) {
            all += std::to_string(info.size()) + ':' +
                   std::to_string(info.lastModified().toMSecsSinceEpoch()) + ':' +
                   std::to_string(info.metadataChangeTime().toMSecsSinceEpoch());
        }
        all += '\n';
    }
    return all;
}

}  // namespace vestura
