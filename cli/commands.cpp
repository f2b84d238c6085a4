#include "cli/commands.h"

#include <QImage>
#include <QPainter>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>

#include "cli/recipes.h"
#include "cli/skin_session.h"
#include "cli/skins_output.h"
#include "common/errors.h"
#include "common/escape.h"
#include "common/failure_text.h"
#include "common/file_io.h"
#include "common/messages.h"
#include "common/platform.h"
#include "common/text8.h"
#include "picture/allocation.h"
#include "picture/bmp/bmp_writer.h"
#include "picture/jpeg/jpeg_image.h"
#include "picture/picture.h"
#include "skin/catalogue.h"
#include "skin/outfit.h"
#include "skin/skin_export.h"

namespace vestura::cli {

namespace {

// A folder named on the command line, ending with a separator like the program folder.
std::string asProgramFolder(std::string folder) {
    if (folder.empty() || !platform::isPathDelimiter(folder.back())) {
        folder.push_back(platform::kPathSeparator);
    }
    return folder;
}

// A caption as the user reads it: decoded, control characters escaped, in the locale's
// encoding. Paths stay bytes, with their control characters escaped too.
std::string shownCaption(const std::string& caption) {
    return text8::toLocale(escapeControls(text8::decoded(caption)));
}

void reportFailures(const std::vector<std::string>& failures, std::ostream& err) {
    for (const std::string& failure : failures) {
        err << shownFailure(failure) << '\n';
    }
}

// Why the outfit of a skin that is written could not be recorded.
std::string notRecorded(const std::string& output, const std::string& why) {
    return output + " is written, but its outfit is not recorded: " + why;
}

}  // namespace

int runRender(const Invocation& invocation, const std::string& folder, std::ostream& err) {
    const std::optional<SkinsFolderPlace> place = SkinsFolderNames().check(invocation.output);
    // As in the window: a skin drawn over its own base could never be made again the same.
    if (invocation.base) {
        refuseOutputOverInput(invocation.output, *invocation.base, "the --base picture");
    }
    SkinSession session(folder);
    reportListFailures(session.listFailures(), err);
    const Selection selection = selectionFor(session, invocation.entries);
    applyLook(session, invocation.base, invocation.colours);
    std::vector<std::string> failures;
    session.render(selection, invocation.output, failures);
    if (place) {
        // After the skin, which stays whatever becomes of its record.
        try {
            recordOutfit(place->folder, recordedOutfitOf(session, place->name, selection,
                                                         invocation.base, invocation.colours));
        } catch (const Exception& e) {
            failures.push_back(notRecorded(invocation.output, e.withCause()));
        }
    }
    reportFailures(failures, err);
    return failures.empty() && session.listFailures().empty() ? 0 : 1;
}

namespace {

// A batch longer than this shows its progress on a terminal.
constexpr std::size_t kProgressFromLines = 50;

// "skin 120/1000" on one terminal line that rewrites itself; failure lines go above it.
class Progress {
public:
    Progress(std::ostream& err, std::size_t total, bool shown)
        : err_(err), total_(std::to_string(total)), shown_(shown) {}
    ~Progress() { clear(); }
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void show(std::size_t done) {
        if (shown_) {
            const std::string text = "skin " + std::to_string(done) + "/" + total_;
            err_ << '\r' << text << std::flush;
            width_ = text.size();
        }
    }
    // Blanks the line, so what is written next starts at its beginning.
    void clear() {
        if (width_ > 0) {
            err_ << '\r' << std::string(width_, ' ') << '\r' << std::flush;
            width_ = 0;
        }
    }

private:
    std::ostream& err_;
    const std::string total_;
    const bool shown_;
    std::size_t width_ = 0;
};

// One recipe line's skin, written in full and waiting for the durability barrier.
struct PreparedSkin {
    int line = 0;
    std::unique_ptr<PendingFile> file;
};

// Skins that wait unnamed for one barrier: a bound on the files a batch holds open.
constexpr std::size_t kSkinsPerBarrier = 64;

// Puts a batch's skins in place. A skin waiting unnamed joins a group that is made durable
// with one sync per folder before its skins take their names; any other skin is made
// durable and put in place at once. So a kill leaves at most one temporary file, and a
// batch holds at most one group of open files and one skin's bytes, however long it is.
class Placement {
public:
    using Report = std::function<void(int line, const std::string& failure)>;
    using Placed = std::function<void(int line)>;
    Placement(Report report, Placed placed)
        : report_(std::move(report)), placed_(std::move(placed)) {}

    // Raises what committing the skin at once raises.
    void add(int line, std::unique_ptr<PendingFile> file) {
        if (!file->waitsUnnamed()) {
            file->sync();
            file->commit();
            placed_(line);
            return;
        }
        waiting_.push_back({line, std::move(file)});
        if (waiting_.size() == kSkinsPerBarrier) {
            settle();
        }
    }

    // Places every waiting skin; one whose folder could not be made durable is reported and
    // dropped, its target left as it was.
    void settle() {
        std::map<std::string, bool> durable;
        for (PreparedSkin& skin : waiting_) {
            const std::string& folder = skin.file->folder();
            if (!durable.contains(folder)) {
                try {
                    syncFolder(folder);
                    durable[folder] = true;
                } catch (const Exception&) {
                    durable[folder] = false;
                }
            }
            try {
                if (!durable[folder]) {
                    throw EWriteError(std::string(msg::kStreamWriteError));
                }
                skin.file->commit();
                placed_(skin.line);
            } catch (const Exception& e) {
                report_(skin.line, e.withCause());
            }
            skin.file.reset();  // an unplaced skin's file goes now
        }
        waiting_.clear();
    }

private:
    Report report_;
    Placed placed_;
    std::vector<PreparedSkin> waiting_;
};

Selection selectionOf(SkinSession& session, const Recipe& recipe) {
    if (!recipe.error.empty()) {
        throw UsageError(recipe.error);
    }
    return selectionFor(session, recipe.entries, true);
}

// The outfits of a batch's skins in game skins folders, recorded once the skins are placed,
// a group at a time: one read and one write of each folder's record per group.
class OutfitRecords {
public:
    using Report = std::function<void(int line, const std::string& failure)>;
    explicit OutfitRecords(Report report) : report_(std::move(report)) {}

    // The outfit to record once the skin of `line` is placed. One that no record can hold
    // is reported then.
    void expect(int line, std::string output, std::string folder, Outfit outfit) {
        std::string refusal;
        try {
            checkRecordable(outfit);
        } catch (const OutfitLineError& e) {
            refusal = e.message();
        }
        expected_[line] = {std::move(output), std::move(folder), std::move(outfit), refusal};
    }
    void forget(int line) { expected_.erase(line); }

    void placed(int line) {
        const auto found = expected_.find(line);
        if (found != expected_.end()) {
            placed_.emplace_back(line, std::move(found->second));
            expected_.erase(found);
        }
    }

    // Records the outfits of the skins placed so far, when there are `atLeast`.
    void flush(std::size_t atLeast = 1) {
        if (placed_.size() < atLeast) {
            return;
        }
        std::map<std::string, std::vector<std::size_t>> byFolder;
        for (std::size_t k = 0; k < placed_.size(); ++k) {
            const Record& record = placed_[k].second;
            if (record.refusal.empty()) {
                byFolder[record.folder].push_back(k);
            } else {
                report_(placed_[k].first, notRecorded(record.output, record.refusal));
            }
        }
        for (const auto& [folder, members] : byFolder) {
            std::vector<Outfit> outfits;
            for (const std::size_t k : members) {
                outfits.push_back(placed_[k].second.outfit);
            }
            try {
                recordOutfits(folder, outfits);
            } catch (const Exception& e) {
                for (const std::size_t k : members) {
                    report_(placed_[k].first, notRecorded(placed_[k].second.output, e.withCause()));
                }
            }
        }
        placed_.clear();
    }

private:
    struct Record {
        std::string output;
        std::string folder;
        Outfit outfit;
        std::string refusal;  // why no record can hold the outfit
    };
    Report report_;
    std::map<int, Record> expected_;
    std::vector<std::pair<int, Record>> placed_;
};

}  // namespace

int runRecipes(const Invocation& invocation, const std::string& folder, std::ostream& err,
               bool errIsTerminal) {
    const std::vector<Recipe> recipes = readRecipes(invocation.recipes);
    SkinSession session(folder);
    reportListFailures(session.listFailures(), err);
    bool allGood = session.listFailures().empty();
    Progress progress(err, recipes.size(), errIsTerminal && recipes.size() > kProgressFromLines);
    const auto report = [&](int line, const std::string& failure) {
        progress.clear();
        err << invocation.recipes << ":" << line << ": " << shownFailure(failure) << '\n';
        allGood = false;
    };
    OutfitRecords records(report);
    Placement placement(report, [&](int line) { records.placed(line); });
    SkinsFolderNames names;
    // A skins folder's record, which may have come from anywhere with a skin pack, names its
    // skins by file name: its lines never write outside the current folder.
    const std::filesystem::path recipesPath(invocation.recipes);
    const bool isRecord =
        text8::equalsIgnoringCase(recipesPath.filename().string(), kOutfitsFileName) &&
        names.isGameSkinsFolder(recipesPath.parent_path().string());
    for (std::size_t n = 0; n < recipes.size(); ++n) {
        const Recipe& recipe = recipes[n];
        progress.show(n + 1);
        std::vector<std::string> failures;
        try {
            if (isRecord && recipe.error.empty() &&
                std::filesystem::path(recipe.output).has_parent_path()) {
                throw UsageError("a skins folder's record names its skins by file name, not " +
                                 escapeControls(recipe.output));
            }
            const Selection selection = selectionOf(session, recipe);
            const std::optional<SkinsFolderPlace> place = names.check(recipe.output);
            if (recipe.base) {
                refuseOutputOverInput(recipe.output, *recipe.base, "its base picture");
            }
            applyLook(session, recipe.base, recipe.colours);
            const QImage skin = session.compose(selection, failures);
            if (place) {
                records.expect(
                    recipe.line, recipe.output, place->folder,
                    recordedOutfitOf(session, place->name, selection, recipe.base, recipe.colours));
            }
            try {
                placement.add(recipe.line, prepareOutputFile(recipe.output, skin));
            } catch (...) {
                records.forget(recipe.line);
                throw;
            }
        } catch (const Exception& e) {
            failures.push_back(e.withCause());
        } catch (const UsageError& e) {
            failures.push_back(e.what());
        }
        for (const std::string& failure : failures) {
            report(recipe.line, failure);
        }
        records.flush(kSkinsPerBarrier);
    }
    placement.settle();
    records.flush();
    progress.clear();
    return allGood ? 0 : 1;
}

int runConvert(const Invocation& invocation) {
    SkinsFolderNames().check(invocation.output);
    TPicture picture;
    picture.loadFromFile(invocation.input);
    // A JPEG's decode pass runs whatever its size: an empty one fails there.
    if (auto* jpeg = dynamic_cast<TJPEGImage*>(picture.graphic())) {
        jpeg->bitmap();
    }
    QImage canvas = allocateImage(picture.width(), picture.height(), QImage::Format_RGB32);
    canvas.fill(Qt::white);
    if (picture.graphic() != nullptr && !canvas.isNull()) {
        QPainter painter(&canvas);
        picture.graphic()->draw(painter, canvas.rect());
    }
    const Bytes file = encodeBmp24(canvas, {});
    writeFileSafely(invocation.output, {file});
    return 0;
}

int runList(const std::string& folder, std::ostream& out, std::ostream& err) {
    LineBuffer memo;
    Catalogue catalogue;
    const std::vector<ListFileFailure> failures = catalogue.load(folder, memo);
    for (const CategoryInfo& category : kCategories) {
        // A category whose list file failed lists nothing, not even its default entry: no
        // line claims entries that were never read, so a script cannot take the failure for
        // an empty list. The exit status says that something is missing.
        if (std::any_of(failures.begin(), failures.end(), [&](const ListFileFailure& f) {
                return f.category == category.category;
            })) {
            continue;
        }
        const CategoryEntries& entries = catalogue.entries(category.category);
        for (std::size_t k = 0; k < entries.captions.size(); ++k) {
            out << category.cliName << '\t' << k << '\t' << shownCaption(entries.captions[k])
                << '\t' << (k == 0 ? std::string() : escapeControls(entries.paths[k - 1])) << '\n';
        }
    }
    reportListFailures(failures, err);
    return failures.empty() ? 0 : 1;
}

int run(const std::vector<std::string>& arguments, const std::string& programFolder,
        std::ostream& out, std::ostream& err, bool errIsTerminal) {
    const Parsed parsed = parseOrAnswer(arguments, out, err);
    if (parsed.status) {
        return *parsed.status;
    }
    const Invocation& invocation = parsed.invocation;
    // The list files come from --folder, else from the user's own catalogue when there is
    // one, else from beside the tool. The settings are read from --folder or the tool's folder.
    const std::string settingsFolder = asProgramFolder(invocation.folder.value_or(programFolder));
    const std::string folder =
        invocation.folder ? settingsFolder : catalogueFolderOf(settingsFolder);
    try {
        switch (invocation.command) {
            case Command::Help:
            case Command::Version:
                return 0;  // answered above
            case Command::Render:
                return invocation.recipes.empty()
                           ? runRender(invocation, folder, err)
                           : runRecipes(invocation, folder, err, errIsTerminal);
            case Command::Check:
                return runCheck(folder, out);
            case Command::Convert:
                return runConvert(invocation);
            case Command::List:
                return runList(folder, out, err);
            case Command::Games:
                return runGames(out);
            case Command::Doctor:
                return runDoctor(invocation, settingsFolder, out);
            case Command::Template:
                return runTemplate(invocation);
            case Command::View:
                return runView(invocation, folder, settingsFolder, err);
            case Command::Sheet:
                return runSheet(invocation, folder, settingsFolder, err);
        }
    } catch (const UsageError& e) {
        reportUsageError(e, err);
        return 2;
    } catch (const Exception& e) {
        err << shownFailure(failureLine(e.message(), e.cause())) << '\n';
        return 1;
    } catch (const std::bad_alloc&) {
        err << withClosingPeriod(std::string(msg::kOutOfMemory)) << '\n';
        return 1;
    }
    return 1;
}

}  // namespace vestura::cli
