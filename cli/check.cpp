// `vestura-cli check`: loads the catalogue and decodes every entry's picture, reporting
// what the window would report when the entry is picked and the entries it silently leaves
// out (problems), and what loads but most likely not as meant (warnings).
#include <sys/stat.h>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cctype>
#include <compare>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <ostream>
#include <string_view>
#include <unordered_map>

#include "cli/commands.h"
#include "common/errors.h"
#include "common/escape.h"
#include "common/failure_text.h"
#include "common/file_io.h"
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

// The line that starts a record in a list file, exactly as the window takes it.
constexpr std::string_view kRecordMarker = "<NEW>";

using text8::equalsIgnoringCase;

std::string_view trimmedBlanks(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// As much of a list file as is looked through for NUL bytes: past a list file's own cap.
constexpr std::uint64_t kListFileLookBytes = std::uint64_t{1} << 20;

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
        const std::vector<ListFileFailure> failures = catalogue.load(folder_, memo);
        for (const ListFileFailure& failure : failures) {
            // The other categories are still checked.
            problem(text8::decoded(failureLine(failure.message, failure.cause)));
        }
        for (const CategoryInfo& category : kCategories) {
            const bool failed = std::any_of(
                failures.begin(), failures.end(),
                [&](const ListFileFailure& f) { return f.category == category.category; });
            if (!failed) {
                checkNulBytes(category);
                checkCategory(category, catalogue.entries(category.category),
                              looseMarkers(category, memo));
            }
        }
        out_ << tally_.entries << " entries, " << tally_.problems << " problems, "
             << tally_.warnings << " warnings\n";
        return tally_.problems == 0 ? 0 : 1;
    }

private:
    // A line that is the record marker but for letter case or blanks around it, and its
    // 1-based line number.
    struct LooseMarker {
        int line;
        std::string text;
    };

    // The lines of the category's list file that read as the record marker in other letter
    // case or with blanks around it ("<new>", "<NEW> "): the window starts no entry there,
    // so the entry the author wrote is left out without a word. The list file is read again
    // for its lines; one that cannot be read now was read a moment ago and is taken as it
    // was.
    // A list file is read up to its first NUL byte, as the window reads it: one saved as
    // UTF-16 ("Unicode" in some Windows editors) has one after its first character, so it
    // loads no entry at all, and the window says nothing. Said here, with the way out.
    void checkNulBytes(const CategoryInfo& category) {
        const std::string path = folder_ + std::string(category.listFile);
        std::optional<Bytes> bytes;
        try {
            bytes = readFileUpTo(path, kListFileLookBytes);
        } catch (const Exception&) {
            return;  // read a moment ago; reported then if it could not be
        }
        if (!bytes) {
            return;
        }
        const auto nul = std::find(bytes->begin(), bytes->end(), std::uint8_t{0});
        if (nul == bytes->end()) {
            return;
        }
        const bool utf16 = bytes->size() >= 2 && (((*bytes)[0] == 0xFF && (*bytes)[1] == 0xFE) ||
                                                  ((*bytes)[0] == 0xFE && (*bytes)[1] == 0xFF));
        problem(std::string(category.listFile) + ": " +
                (utf16 ? std::string("saved as UTF-16")
                       : "a NUL byte at byte " + std::to_string(nul - bytes->begin())) +
                ": nothing after it is read; save the file as UTF-8 or ANSI text");
    }

    std::vector<LooseMarker> looseMarkers(const CategoryInfo& category, LineBuffer& memo) {
        try {
            memo.load(folder_ + std::string(category.listFile));
        } catch (const Exception&) {
            return {};
        }
        std::vector<LooseMarker> found;
        for (int i = 0; i < memo.lineCount(); ++i) {
            const std::string_view line = memo.lineView(i);
            if (line != kRecordMarker && equalsIgnoringCase(trimmedBlanks(line), kRecordMarker)) {
                found.push_back({i + 1, std::string(line)});
            }
        }
        return found;
    }

    void checkCategory(const CategoryInfo& category, const CategoryEntries& entries,
                       const std::vector<LooseMarker>& looseMarkers) {
        auto marker = looseMarkers.begin();
        // The entry the command line takes for each caption: the default entry's, then the
        // first of each, by the text the caption shows.
        std::unordered_map<std::string, int> firstWithCaption{
            {text8::decoded(entries.captions.front()), 0}};
        for (std::size_t k = 1; k < entries.captions.size(); ++k) {
            const int line = entries.recordLines[k - 1];
            for (; marker != looseMarkers.end() && marker->line < line; ++marker) {
                reportLooseMarker(category, *marker);
            }
            ++tally_.entries;
            const std::string caption = text8::decoded(entries.captions[k]);
            where_ =
                std::string(category.listFile) + ":" + std::to_string(line) + ": " + caption + ": ";
            checkCaption(caption, static_cast<int>(k), entries, firstWithCaption);
            checkEntry(category, folder_ + entries.paths[k - 1]);
        }
        for (; marker != looseMarkers.end(); ++marker) {
            reportLooseMarker(category, *marker);
        }
    }

    void reportLooseMarker(const CategoryInfo& category, const LooseMarker& marker) {
        problem(std::string(category.listFile) + ":" + std::to_string(marker.line) + ": \"" +
                text8::decoded(marker.text) + "\" starts no entry: only \"" +
                std::string(kRecordMarker) +
                "\" does, in capitals and alone on its line, so the window leaves this entry out");
    }

    // A caption that shows nothing, or that the command line takes for an earlier entry, so
    // it can pick this one only by its index.
    void checkCaption(const std::string& caption, int index, const CategoryEntries& entries,
                      std::unordered_map<std::string, int>& firstWithCaption) {
        if (trimmedBlanks(caption).empty()) {
            warning(where_ + "the caption is empty, so the selector shows a blank line");
            return;
        }
        const auto [first, added] = firstWithCaption.try_emplace(caption, index);
        if (added) {
            return;
        }
        const std::string earlier =
            first->second == 0
                ? "the default entry"
                : "the entry of line " + std::to_string(entries.recordLines[first->second - 1]);
        warning(where_ + "the same caption as " + earlier +
                ", which the command line takes for it; it picks this one only by its index, " +
                std::to_string(index));
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

    // A picture cut off where it is drawn. A slot of fixed size draws its picture from the
    // box's top-left corner and cuts it at the box. A slot that takes its picture's size
    // grows with it, so only the skin's edge cuts it (its initial box lies inside the skin).
    // The shirt's box reaches one row past the skin's edge, which no picture can help: a
    // picture that fits its box is not reported.
    void checkReach(const CategoryInfo& category, int width, int height) {
        const std::string size = std::to_string(width) + " x " + std::to_string(height);
        if (!category.takesPictureSize) {
            if (width > category.width || height > category.height) {
                warning(where_ + "picture of " + size + " is cut to the " +
                        std::string(category.cliName) + " box of " +
                        std::to_string(category.width) + " x " + std::to_string(category.height));
            }
            return;
        }
        const int skinX = category.frameX - kBaseSkinX;
        const int skinY = category.frameY - kBaseSkinY;
        if (skinX + width > kSkinSize || skinY + height > kSkinSize) {
            warning(where_ + "picture of " + size + " at (" + std::to_string(skinX) + ", " +
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
