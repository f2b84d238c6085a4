// `vestura-cli check`: loads the catalogue and decodes every entry's picture, reporting
// what the window would report when the entry is picked, plus two authoring warnings.
#include <sys/stat.h>
#include <QImage>
#include <QPainter>

#include <compare>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <ostream>
#include <unordered_map>

#include "cli/commands.h"
#include "common/errors.h"
#include "common/escape.h"
#include "common/failure_text.h"
#include "common/messages.h"
#include "common/text8.h"
#include "game/line_buffer.h"
#include "picture/allocation.h"
#include "picture/bmp/bitmap.h"
#include "picture/file_formats.h"
#include "picture/jpeg/jpeg_image.h"
#include "picture/picture.h"
#include "skin/catalogue.h"

namespace vestura::cli {

namespace {

struct Tally {
    int entries = 0;
    int problems = 0;
    int warnings = 0;
};

class Checker {
public:
    Checker(const std::string& folder, std::ostream& out) : folder_(folder), out_(out) {}

    int run() {
        Catalogue catalogue;
        LineBuffer memo;
        for (const ListFileFailure& failure : catalogue.load(folder_, memo)) {
            // The other categories are still checked.
            problem(text8::decoded(failureLine(failure.message, failure.cause)));
        }
        for (const CategoryInfo& category : kCategories) {
            checkCategory(category, catalogue.entries(category.category));
        }
        out_ << tally_.entries << " entries, " << tally_.problems << " problems, "
             << tally_.warnings << " warnings\n";
        return tally_.problems == 0 ? 0 : 1;
    }

private:
    void checkCategory(const CategoryInfo& category, const CategoryEntries& entries) {
        for (std::size_t k = 1; k < entries.captions.size(); ++k) {
            ++tally_.entries;
            where_ = std::string(category.listFile) + ":" +
                     std::to_string(entries.recordLines[k - 1]) + ": " +
                     text8::decoded(entries.captions[k]) + ": ";
            checkEntry(category, folder_ + entries.paths[k - 1]);
        }
    }

    void checkEntry(const CategoryInfo& category, const std::string& path) {
        const Outcome& outcome = outcomeFor(path, category.transparent);
        if (!outcome.problem.empty()) {
            problem(where_ + outcome.problem);
            return;
        }
        checkReach(category, outcome.width, outcome.height);
        if (outcome.drawsNothing) {
            warning(where_ + "every pixel is fully transparent, so the part draws nothing");
        }
        if (!outcome.unusedKey.empty()) {
            warning(where_ + "the key colour " + outcome.unusedKey +
                    " of the bottom-left pixel appears nowhere else, so nothing shows through");
        }
    }

    // What one picture showed when checked for a slot that is, or is not, see-through.
    struct Outcome {
        std::string problem;  // the failure's text; empty when the picture loaded and drew
        int width = 0;
        int height = 0;
        std::string unusedKey;      // the key colour, when no other pixel uses it
        bool drawsNothing = false;  // it has pixels, and the slot would show none of them
        bool namesPath = false;     // the problem text names the path as spelled
    };

    // The file a path leads to, as the system knows it, and the picture kind its spelling
    // asks for: two spellings of one file (".", "..", doubled separators, links) give the
    // same key, so its picture is decoded once. Size and change time are part of it in case
    // the file is replaced while the check runs.
    struct FileKey {
        dev_t device;
        ino_t inode;
        off_t size;
        std::int64_t changedNs;
        const void* kind;
        auto operator<=>(const FileKey&) const = default;
    };

    static std::optional<FileKey> fileKey(const std::string& path) {
        struct stat status {};
        if (::stat(path.c_str(), &status) != 0) {
            return std::nullopt;
        }
        const std::int64_t changedNs =
            std::int64_t{status.st_mtim.tv_sec} * 1'000'000'000 + status.st_mtim.tv_nsec;
        return FileKey{status.st_dev, status.st_ino, status.st_size, changedNs,
                       fileFormats().find(pictureExtension(path))};
    }

    // A picture named by many entries is decoded once: the same file gives the same outcome,
    // and a list file can name one large picture hundreds of thousands of times, under one
    // spelling or many. A failure to open names the path, so it is kept for that spelling only.
    const Outcome& outcomeFor(const std::string& path, bool transparent) {
        const int slot = transparent ? 1 : 0;
        auto [byPath, added] = byPath_[slot].try_emplace(path);
        if (!added) {
            return *byPath->second;
        }
        const std::optional<FileKey> key = fileKey(path);
        if (key) {
            if (const auto found = byFile_[slot].find(*key); found != byFile_[slot].end()) {
                return *(byPath->second = found->second);
            }
        }
        const Outcome& outcome = outcomes_.emplace_back(examine(path, transparent));
        if (key && !outcome.namesPath) {
            byFile_[slot].emplace(*key, &outcome);
        }
        return *(byPath->second = &outcome);
    }

    static Outcome examine(const std::string& path, bool transparent) {
        Outcome outcome;
        // Refused before any file is opened, and without raising: the usual problem of a
        // list file full of record markers.
        const std::string refusal = TPicture::unknownExtensionMessage(path);
        if (!refusal.empty()) {
            outcome.problem = text8::decoded(withClosingPeriod(refusal));
            return outcome;
        }
        TPicture picture;
        try {
            picture.loadFromFile(path);
            outcome.drawsNothing = !anyPixelShows(picture, transparent);
        } catch (const EFOpenError& e) {
            outcome.problem = text8::decoded(withClosingPeriod(e.withCause()));
            outcome.namesPath = true;
            return outcome;
        } catch (const Exception& e) {
            outcome.problem = text8::decoded(withClosingPeriod(e.withCause()));
            return outcome;
        } catch (const std::bad_alloc&) {
            outcome.problem = withClosingPeriod(std::string(msg::kOutOfMemory));
            return outcome;
        }
        outcome.width = picture.width();
        outcome.height = picture.height();
        if (transparent) {
            outcome.unusedKey = unusedKeyColour(picture);
        }
        return outcome;
    }

    // Draws the picture as its slot would, onto a transparent canvas: drawing is what decodes
    // a JPEG, and a failure there is the one the window shows at the entry's first paint.
    // True when some pixel of the canvas is not fully transparent, or there are no pixels.
    static bool anyPixelShows(TPicture& picture, bool transparent) {
        if (auto* jpeg = dynamic_cast<TJPEGImage*>(picture.graphic())) {
            jpeg->bitmap();  // also for a JPEG of 0 x 0, which the canvas below skips
        }
        if (picture.graphic() == nullptr || picture.width() <= 0 || picture.height() <= 0) {
            return true;
        }
        QImage canvas =
            allocateImage(picture.width(), picture.height(), QImage::Format_ARGB32_Premultiplied);
        canvas.fill(Qt::transparent);
        {
            QPainter painter(&canvas);
            picture.graphic()->setTransparent(transparent);
            picture.graphic()->draw(painter, canvas.rect());
        }
        for (int y = 0; y < canvas.height(); ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(canvas.constScanLine(y));
            for (int x = 0; x < canvas.width(); ++x) {
                if (qAlpha(row[x]) != 0) {
                    return true;
                }
            }
        }
        return false;
    }

    // A picture cut off by the skin's edge where its slot's own box would not cut it.
    void checkReach(const CategoryInfo& category, int width, int height) {
        const int drawnWidth = category.takesPictureSize ? width : std::min(width, category.width);
        const int drawnHeight =
            category.takesPictureSize ? height : std::min(height, category.height);
        const int skinX = category.frameX - kBaseSkinX;
        const int skinY = category.frameY - kBaseSkinY;
        const bool pastSkin = skinX + drawnWidth > kSkinSize || skinY + drawnHeight > kSkinSize;
        const bool pastBox = drawnWidth > category.width || drawnHeight > category.height;
        if (pastSkin && pastBox) {
            warning(where_ + "picture of " + std::to_string(width) + " x " +
                    std::to_string(height) + " at (" + std::to_string(skinX) + ", " +
                    std::to_string(skinY) + ") reaches past the " + std::to_string(kSkinSize) +
                    " x " + std::to_string(kSkinSize) + " skin");
        }
    }

    // A see-through bitmap whose key colour is used by no pixel but the key pixel itself
    // shows everything: most likely the key was forgotten. Gives that colour's name, or
    // empty when another pixel uses it or the picture is no bitmap.
    static std::string unusedKeyColour(const TPicture& picture) {
        const auto* bitmap = dynamic_cast<const TBitmap*>(picture.graphic());
        if (bitmap == nullptr || bitmap->empty()) {
            return {};
        }
        const QImage image = convertedImage(bitmap->image(), QImage::Format_RGB32);
        const QRgb key = image.pixel(0, image.height() - 1);
        int matches = 0;
        for (int y = 0; y < image.height() && matches < 2; ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < image.width() && matches < 2; ++x) {
                matches += row[x] == key ? 1 : 0;
            }
        }
        return matches < 2 ? QColor(key).name().toStdString() : std::string();
    }

    void problem(const std::string& line) {
        ++tally_.problems;
        out_ << text8::toLocale(escapeControls(line)) << '\n';
    }
    void warning(const std::string& line) {
        ++tally_.warnings;
        out_ << "warning: " << text8::toLocale(escapeControls(line)) << '\n';
    }

    const std::string& folder_;
    std::ostream& out_;
    std::string where_;
    Tally tally_;
    // Each picture's outcome, kept in place, found by spelling and by file; [0] for opaque
    // slots, [1] for see-through ones.
    std::deque<Outcome> outcomes_;
    std::unordered_map<std::string, const Outcome*> byPath_[2];
    std::map<FileKey, const Outcome*> byFile_[2];
};

}  // namespace

int runCheck(const std::string& folder, std::ostream& out) {
    return Checker(folder, out).run();
}

}  // namespace vestura::cli
