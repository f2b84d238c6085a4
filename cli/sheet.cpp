// `vestura-cli sheet`: every entry of the catalogue, or of one category, as a captioned tile
// (the skin that entry alone makes, or that skin on the player model from the front),
// grouped by category, written as a PNG or a BMP.
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <algorithm>
#include <cstdint>
#include <new>
#include <optional>
#include <ostream>

#include "cli/commands.h"
#include "cli/skin_session.h"
#include "cli/skins_output.h"
#include "common/errors.h"
#include "common/escape.h"
#include "common/failure_text.h"
#include "common/file_io.h"
#include "common/messages.h"
#include "common/text8.h"
#include "model/player_model.h"
#include "model/rasteriser.h"
#include "picture/bmp/bmp_writer.h"
#include "picture/png/png_writer.h"
#include "skin/catalogue_sheet.h"

namespace vestura::cli {

namespace {

// A caption as `list` shows it, control characters escaped, in UTF-8 for drawing.
std::string tileCaption(const std::string& caption) {
    return escapeControls(text8::decoded(caption));
}

// A failure as the tile shows it: one line, its control characters escaped.
std::string tileMessage(const std::string& failure) {
    return escapeControls(text8::decoded(withClosingPeriod(failure)));
}

const ListFileFailure* listFailureOf(const SkinSession& session, Category c) {
    const auto& failures = session.listFailures();
    const auto found = std::find_if(failures.begin(), failures.end(),
                                    [c](const ListFileFailure& f) { return f.category == c; });
    return found == failures.end() ? nullptr : &*found;
}

// The tile of one entry: the skin with that entry in its category and every other category
// at its default entry, which shows the base skin's own (None hides the part, Usual keeps
// what the base skin wears), so each tile is what `render --CATEGORY INDEX` writes.
class TileMaker {
public:
    // `views`: how many tiles are drawn on the model, for holding them all to the batch work.
    TileMaker(SkinSession& session, const Mesh* mesh, std::int64_t views)
        : session_(session), mesh_(mesh) {
        renderer_.holdToBatch({views, 1, "This sheet", "entries with --view"});
    }

    // The tile's picture, or the failures that keep the entry from showing.
    std::optional<QImage> make(Category c, int entry, std::vector<std::string>& failures) {
        Selection selection{};
        selection[static_cast<std::size_t>(c)] = entry;
        try {
            const QImage skin = session_.compose(selection, failures);
            if (!failures.empty()) {
                return std::nullopt;  // a part that failed while drawing is missing from it
            }
            if (mesh_ == nullptr) {
                return skin;
            }
            // Drawn at twice the tile's side and scaled down as a skin is, so the model's
            // edges and small parts are smoothed.
            const QImage& view =
                renderer_.render(*mesh_, skin, {0, 0, 1}, {2 * kSheetTileSide, 2 * kSheetTileSide});
            partial_ = partial_ || renderer_.partial();
            return tileImage(view);
        } catch (const EBatchWork&) {
            throw;  // the whole sheet's, not this entry's
        } catch (const Exception& e) {
            failures.push_back(e.withCause());
        } catch (const std::bad_alloc&) {
            failures.push_back(std::string(msg::kOutOfMemory));
        }
        return std::nullopt;
    }

    // True when any view stopped at the drawing budget.
    bool partial() const { return partial_; }

private:
    SkinSession& session_;
    const Mesh* mesh_;
    ViewRenderer renderer_{1};  // tiles are small: one band each
    bool partial_ = false;
};

// Which entries a cut sheet leaves out, by category: "shirt 1553-2000, boots 1-2".
std::string leftOutEntries(const SheetLayout& layout, const std::vector<SheetSection>& sections,
                           const std::vector<Category>& categories) {
    std::string named;
    for (std::size_t s = 0; s < sections.size(); ++s) {
        const int shown = layout.tilesShown(s);
        if (shown < sections[s].tiles) {
            named += (named.empty() ? "" : ", ") + std::string(info(categories[s]).cliName) + ' ' +
                     std::to_string(shown + 1) + '-' + std::to_string(sections[s].tiles);
        }
    }
    return named;
}

}  // namespace

int runSheet(const Invocation& invocation, const std::string& folder,
             const std::string& settingsFolder, std::ostream& err) {
    // A mistyped --folder would give a sheet of seven failed tiles: nothing is written.
    if (invocation.folder && !QFileInfo(QFile::decodeName(invocation.folder->c_str())).isDir()) {
        throw UsageError("--folder names no folder: " + *invocation.folder);
    }
    SkinsFolderNames().check(invocation.output, false);
    const OutputForm form = outputFormOf(invocation.output, OutputForm::Png);
    tryOutputPlace(invocation.output);
    std::optional<Mesh> mesh;
    if (invocation.view) {
        mesh = viewModel(invocation, settingsFolder);
    }
    SkinSession session(folder);
    // Each entry shows once: pictures are dropped as soon as their tile is made.
    session.setCacheBudget(0);
    // The sheet goes beside the catalogue, never over one of its files.
    for (const CategoryInfo& row : kCategories) {
        refuseOutputOverInput(invocation.output, folder + std::string(row.listFile), "a list file");
        for (const std::string& path : session.catalogue().entries(row.category).paths) {
            refuseOutputOverInput(invocation.output, folder + path, "a picture of the catalogue");
        }
    }
    reportListFailures(session.listFailures(), err);
    bool allGood = session.listFailures().empty();

    std::vector<Category> categories;
    for (const CategoryInfo& row : kCategories) {
        if (!invocation.category || *invocation.category == row.category) {
            categories.push_back(row.category);
        }
    }
    // The entries of the list files; the default entries, which all show the bare base skin,
    // have no tile. A list file that could not be read has one failed tile.
    std::vector<SheetSection> sections;
    for (const Category c : categories) {
        const int entries = static_cast<int>(session.catalogue().entries(c).captions.size()) - 1;
        const int tiles = listFailureOf(session, c) != nullptr ? 1 : entries;
        std::string heading =
            std::string(info(c).label) + " (" + std::string(info(c).cliName) + ")";
        if (tiles == 0) {
            heading += ": no entries";
        }
        sections.push_back({std::move(heading), tiles});
    }

    CatalogueSheet sheet(sections);
    std::int64_t tileCount = 0;
    for (std::size_t s = 0; s < sections.size(); ++s) {
        tileCount += sheet.layout().tilesShown(s);
    }
    TileMaker tiles(session, mesh ? &*mesh : nullptr, tileCount);
    for (std::size_t s = 0; s < categories.size(); ++s) {
        const Category c = categories[s];
        const std::string cliName(info(c).cliName);
        if (const ListFileFailure* failure = listFailureOf(session, c)) {
            if (sheet.layout().tilesShown(s) > 0) {
                sheet.drawFailedTile(s, 0,
                                     tileMessage(failureLine(failure->message, failure->cause)),
                                     std::string(info(c).listFile));
            }
            continue;
        }
        const std::vector<std::string>& captions = session.catalogue().entries(c).captions;
        for (int tile = 0; tile < sheet.layout().tilesShown(s); ++tile) {
            const int entry = tile + 1;
            const std::string caption = tileCaption(captions[static_cast<std::size_t>(entry)]);
            std::vector<std::string> failures;
            if (const std::optional<QImage> picture = tiles.make(c, entry, failures)) {
                sheet.drawTile(s, tile, *picture, caption);
                continue;
            }
            allGood = false;
            std::string shown;
            for (const std::string& failure : failures) {
                err << cliName << ' ' << entry << ": " << shownFailure(failure) << '\n';
                shown += (shown.empty() ? "" : " ") + withClosingPeriod(failure);
            }
            sheet.drawFailedTile(s, tile, tileMessage(shown), caption);
        }
    }
    if (const std::int64_t leftOut = sheet.layout().tilesLeftOut(); leftOut > 0) {
        const std::string note =
            std::to_string(leftOut) + " entries left out (" +
            leftOutEntries(sheet.layout(), sections, categories) + "): a sheet holds at most " +
            std::to_string(kMaxSheetPixels) + " pixels (" + std::to_string(kMaxSheetPixels >> 20) +
            " x 1024 x 1024)" + (invocation.category ? "" : "; --category draws one category");
        sheet.drawNote(note);
        err << note << ".\n";
        allGood = false;
    }
    if (tiles.partial()) {
        err << kDrawnInPart << ".\n";
    }
    const Bytes file =
        form == OutputForm::Bmp ? encodeBmp24(sheet.picture(), {}) : encodePng(sheet.picture());
    writeFileSafely(invocation.output, {file});
    return allGood ? 0 : 1;
}

}  // namespace vestura::cli
