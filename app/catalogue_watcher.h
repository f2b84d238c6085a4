// Notices when the list files or the pictures the preview shows change on disk, and says so
// once the writing has settled, so the window can read them again as F5 does.
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>
#include <string>
#include <vector>

namespace vestura {

class CatalogueWatcher final : public QObject {
    Q_OBJECT

public:
    // How long the files must stay as they are before a change counts.
    static constexpr int kSettleMs = 400;

    explicit CatalogueWatcher(QObject* parent = nullptr);

    // Watches these files (a missing one is noticed when it appears) and the folders holding
    // them, which is where an editor's save by rename shows. Replaces what was watched.
    void watch(const std::vector<std::string>& files);

signals:
    void settled();

private:
    void noticed();
    void check();
    std::string signature() const;  // size and change time of every watched file

    QFileSystemWatcher watcher_;
    QTimer settle_;
    std::vector<std::string> files_;
    std::string before_;  // the signature when the last change was noticed
};

}  // namespace vestura
