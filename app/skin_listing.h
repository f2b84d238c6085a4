// What the Open dialog shows of a skins folder: its skins, newest first, whether each has a
// recorded outfit, and a small picture of each, made off the window's thread.
#pragma once

#include <QImage>
#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vestura {

struct SkinFile {
    std::string name;  // the file name, as its bytes
    std::string path;
    std::int64_t modified = 0;  // nanoseconds since 1970-01-01 UTC
    bool hasOutfit = false;     // the folder's outfits record names it
};

// A skins folder may hold anything; past this many entries the rest are not looked at.
inline constexpr std::size_t kMaxSkinFolderEntries = 100000;

// The skins in `folder` (ending with a separator): regular files, or links to them, whose
// name ends in ".bmp" in any letter case, newest first and by name among equals. Whether each
// has an outfit is read from the folder's outfits record, under its caps; a record that
// cannot be read marks none. A folder that cannot be read lists nothing.
std::vector<SkinFile> listSkins(const std::string& folder);

// The picture at `path` as a base skin would take it (so only what the picture readers
// admit, under their budgets), scaled smoothly to size x size. Raises as loadBaseSkin.
QImage skinThumbnail(const std::string& path, int size);

// Runs jobs one at a time on the application's thread pool, the job posted last first, and
// hands what each returns back to this object's thread. A job is work that must stay off the
// window's thread; what it returns runs on that thread. Once the queue is gone no result is
// handed back, and jobs not yet begun are dropped.
class BackgroundQueue final : public QObject {
    Q_OBJECT

public:
    using Done = std::function<void()>;
    using Job = std::function<Done()>;

    explicit BackgroundQueue(QObject* parent = nullptr);
    ~BackgroundQueue() override;

    void post(Job job);

private:
    struct State;
    static void drain(const std::shared_ptr<State>& state);

    std::shared_ptr<State> state_;
};

}  // namespace vestura
