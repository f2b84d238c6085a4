// The skins of a folder for the Open dialog, and the queue its small pictures are made on.
#include "app/skin_listing.h"

#include <QMetaObject>
#include <QThreadPool>
#include <algorithm>
#include <filesystem>
#include <mutex>
#include <set>

#include "common/errors.h"
#include "common/text8.h"
#include "picture/graphic.h"
#include "skin/image_graphic.h"
#include "skin/outfit.h"

namespace vestura {

namespace {

constexpr std::string_view kSkinSuffix = ".bmp";

bool isSkinName(std::string_view name) {
    return name.size() > kSkinSuffix.size() &&
           text8::equalsIgnoringCase(name.substr(name.size() - kSkinSuffix.size()), kSkinSuffix);
}

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return text;
}

// The skins the folder's record has a readable outfit line for, in lower case.
std::set<std::string> skinsWithOutfits(const std::string& folder) {
    std::set<std::string> names;
    try {
        for (const OutfitLine& line :
             readOutfitFile(folder + std::string(kOutfitsFileName), "Outfits file")) {
            if (line.outfit) {
                names.insert(lowerCase(line.outfit->skin));
            }
        }
    } catch (const Exception&) {
        // No record, or one that cannot be read: the list marks no skin. Opening one says why.
    }
    return names;
}

}  // namespace

std::vector<SkinFile> listSkins(const std::string& folder) {
    namespace fs = std::filesystem;
    std::vector<SkinFile> skins;
    std::error_code error;
    fs::directory_iterator entries(folder, error);
    std::size_t examined = 0;
    for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
        if (++examined > kMaxSkinFolderEntries) {
            break;
        }
        const std::string name = entries->path().filename().string();
        std::error_code ignored;
        // status() follows a link: the game reads a link to a skin as the skin.
        if (!isSkinName(name) || !entries->is_regular_file(ignored)) {
            continue;
        }
        // The file system's clock counts from an epoch of its own.
        const auto modified = std::chrono::file_clock::to_sys(entries->last_write_time(ignored));
        skins.push_back(
            {name, folder + name,
             std::chrono::duration_cast<std::chrono::nanoseconds>(modified.time_since_epoch())
                 .count(),
             false});
    }
    const std::set<std::string> outfits = skinsWithOutfits(folder);
    for (SkinFile& skin : skins) {
        skin.hasOutfit = outfits.contains(lowerCase(skin.name));
    }
    std::sort(skins.begin(), skins.end(), [](const SkinFile& a, const SkinFile& b) {
        return a.modified != b.modified ? a.modified > b.modified : a.name < b.name;
    });
    return skins;
}

QImage skinThumbnail(const std::string& path, int size) {
    const std::shared_ptr<TGraphic> skin = loadBaseSkin(path);
    const auto* image = dynamic_cast<const ImageGraphic*>(skin.get());
    if (image == nullptr) {
        return {};
    }
    return image->image().scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

struct BackgroundQueue::State {
    std::mutex mutex;
    BackgroundQueue* owner = nullptr;  // nullptr once the queue is gone
    std::vector<Job> jobs;             // the last one runs first
    bool draining = false;
};

BackgroundQueue::BackgroundQueue(QObject* parent)
    : QObject(parent), state_(std::make_shared<State>()) {
    state_->owner = this;
}

BackgroundQueue::~BackgroundQueue() {
    // Under the lock: a worker hands a result over only while it holds it, so after this no
    // result is posted to the object being destroyed.
    const std::lock_guard lock(state_->mutex);
    state_->owner = nullptr;
    state_->jobs.clear();
}

void BackgroundQueue::post(Job job) {
    const std::lock_guard lock(state_->mutex);
    state_->jobs.push_back(std::move(job));
    if (!state_->draining) {
        state_->draining = true;
        QThreadPool::globalInstance()->start([state = state_] { drain(state); });
    }
}

void BackgroundQueue::drain(const std::shared_ptr<State>& state) {
    for (;;) {
        Job job;
        {
            const std::lock_guard lock(state->mutex);
            if (state->owner == nullptr || state->jobs.empty()) {
                state->draining = false;
                return;
            }
            job = std::move(state->jobs.back());
            state->jobs.pop_back();
        }
        Done done;
        try {
            done = job();
        } catch (...) {
            continue;  // a job reports its own failures in what it returns
        }
        const std::lock_guard lock(state->mutex);
        if (state->owner != nullptr && done) {
            QMetaObject::invokeMethod(state->owner, std::move(done), Qt::QueuedConnection);
        }
    }
}

}  // namespace vestura
