// A catalogue read once and the pictures of its entries loaded once, from which any number
// of skins are rendered exactly as the window's Save renders them.
#pragma once

#include <QImage>
#include <array>
#include <cstdint>
#include <exception>
#include <iosfwd>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "cli/command_line.h"
#include "common/file_io.h"
#include "game/line_buffer.h"
#include "skin/catalogue.h"
#include "skin/colourise.h"
#include "skin/outfit.h"
#include "skin/preview.h"

namespace vestura::cli {

// The chosen entry index of every category (0 = the default entry).
using Selection = std::array<int, kCategoryCount>;

// Decoded pictures kept between the skins of a batch. A part shows at most 273 x 281 pixels,
// whose decoded copies take well under 1 MiB, so a whole ordinary catalogue stays decoded;
// a picture larger than this is dropped once its skin is made, and a batch naming many
// large entries peaks like the single render of its largest skin.
inline constexpr std::size_t kPictureCacheBytes = 64 * 1024 * 1024;

// The characters a session compares, in all, to find captions close to ones that match
// nothing, counting one for each caption looked at. A refusal costs some thousands in an ordinary
// catalogue of a few hundred entries; a batch naming missing entries of list files tens of
// thousands of entries long stops offering close captions after a fraction of a second instead of
// running for hours.
inline constexpr std::size_t kCloseNameWork = 50'000'000;

// Base pictures kept decoded between skins (256 x 256 each, 256 KiB), most recent first.
inline constexpr std::size_t kKeptBases = 16;

// What a drawn picture loaded from a file of `fileBytes` holds in memory: its pixel copies
// (stored rows and display copy, a JPEG's decoded bitmap, an icon's image) and the file
// bytes that JPEGs, icons and metafiles keep.
std::size_t decodedBytes(const TGraphic& picture, std::size_t fileBytes);

// The skin written in full, as `path`'s extension asks (see outputFormOf), waiting to be
// committed: a .bmp output is the file Save writes, a .png one a PNG picture of the skin.
// Raises as writeFileSafely.
std::unique_ptr<PendingFile> prepareOutputFile(const std::string& path, const QImage& skin);

class SkinSession {
public:
    // Reads the seven list files of `programFolder` (which ends with a separator). A list
    // file that cannot be read leaves its category with only its default entry and is kept
    // in listFailures(); the others load.
    explicit SkinSession(std::string programFolder);

    const Catalogue& catalogue() const { return catalogue_; }
    const std::string& programFolder() const { return programFolder_; }
    const std::vector<ListFileFailure>& listFailures() const { return listFailures_; }
    const Preview& preview() const { return preview_; }

    // The index of an entry given as an index or as its caption: written exactly (its bytes,
    // or the text it shows typed in the locale's encoding; the first such entry), else in
    // other letter case when only one caption matches so. Raises UsageError naming the
    // category when there is no such entry, with the close captions (see CloseNames) or the
    // captions that match in other letter case, each with its index; in a category whose
    // list file could not be read, any entry but the default one is refused so.
    int resolve(Category c, const std::string& entry);
    // The entry a recorded outfit or a recipes line names: first as findOutfitEntry() finds
    // it (an index, else the first caption of exactly these bytes), so a line recorded by
    // caption remakes its skin; else as resolve(). Raises as resolve().
    int resolveRecorded(Category c, const std::string& entry);

    // The base skin of the skins composed next: the picture at `path` (see loadBaseSkin,
    // relative to the current folder), or the built-in base skin when empty. The last
    // kKeptBases pictures named are kept, decoded or with their failure, so a batch naming one
    // base reads it once. Raises "Base skin PATH: " and what loading raised.
    void setBase(const std::optional<std::string>& path);
    // The part colours of the skins composed next. A part's coloured copy is made when the
    // part is loaded into its slot or its colour changes, so the skins of a batch that share
    // an entry and its colour in a category colour it once.
    void setColours(const PartColours& colours) { colours_ = colours; }

    // Composes the selection over the base skin, in the colours set, as Save does. An entry
    // stays in its slot while the skins that follow choose it too. Failures that pictures raise
    // while drawing (a JPEG's first decode) are appended to `failures`; the skin is made all
    // the same, as the window does.
    QImage compose(const Selection& selection, std::vector<std::string>& failures);

    // compose(), then writes the skin as Save does, or as a PNG picture for a .png output.
    void render(const Selection& selection, const std::string& output,
                std::vector<std::string>& failures);

    // The bytes the decoded pictures kept between skins hold, in the cache or left in their
    // slot, at most cacheBudget() once a skin is made.
    std::size_t cachedBytes() const { return cachedBytes_; }
    std::size_t cacheBudget() const { return cacheBudget_; }
    void setCacheBudget(std::size_t bytes) { cacheBudget_ = bytes; }
    // What is left of kCloseNameWork; a refusal past it names no close captions.
    void setCloseNameWork(std::size_t characters) { closeNameWork_ = characters; }

private:
    using Key = std::pair<Category, int>;
    struct Cached {
        std::unique_ptr<TGraphic> picture;
        std::size_t fileBytes = 0;
        std::size_t bytes = 0;
        std::uint64_t lastUse = 0;
        std::string failure;  // why the picture could not be decoded (see showInSlot)
    };

    // A category's captions by their text, made when one of its entries is first named by
    // caption, so a batch finds each entry at once however long the list.
    struct CaptionIndex {
        std::vector<std::string> shown;                     // each caption's decoded text
        std::vector<std::u16string> folded;                 // the same in one letter case
        std::unordered_map<std::string_view, int> byBytes;  // the first entry of each caption
        std::unordered_map<std::string_view, int> byText;   // ... of each decoded text
        // The first entries of the distinct texts that share one form in one letter case.
        std::unordered_map<std::u16string_view, std::vector<int>> byFolded;
        std::vector<int> distinct;  // the first entry of each decoded text, in list order
    };
    const CaptionIndex& captionIndex(Category c);
    // Why `typed` (UTF-8) names nothing in category `c`; worked out once per distinct entry.
    std::string refusalFor(Category c, const std::string& typed, bool isIndex,
                           const std::u16string& folded);

    // Takes the entry's picture from the cache, or loads it, into the category's slot. A
    // JPEG is decoded here: it decodes once, and its failure, raised by that one decode, is
    // kept with the picture so that every skin showing it reports it.
    void showInSlot(Category c, int index);
    // Moves the picture of the category's slot into the cache; the slot holds none after.
    void returnToCache(Category c);
    // The slot's entry `index`, in the colour set: the picture is changed only for another
    // entry, and the colour set before it, so the coloured copy is made once.
    void fillSlot(Category c, int index);
    // Drops the least recently used pictures until the cache fits its budget, then those
    // left in slots.
    void trimCache();

    struct KeptBase {
        std::string path;  // the file's identity (see baseKey), or its path
        std::shared_ptr<TGraphic> picture;
        std::exception_ptr failure;
    };

    std::string programFolder_;
    LineBuffer memo_;
    Catalogue catalogue_;
    std::vector<ListFileFailure> listFailures_;
    Preview preview_;
    std::map<Key, Cached> pictures_;
    std::array<std::size_t, kCategoryCount> slotFileBytes_{};  // of the picture in each slot
    std::array<int, kCategoryCount> slotEntry_{};              // the entry in each slot; 0 for none
    std::array<std::size_t, kCategoryCount> slotBytes_{};      // counted in cachedBytes_
    std::array<bool, kCategoryCount> colouringFailed_{};       // the coloured copy's draw failed
    std::array<std::string, kCategoryCount> slotFailure_;      // as Cached::failure
    PartColours colours_;
    std::shared_ptr<TGraphic> builtinBase_;
    std::vector<KeptBase> bases_;  // most recent first
    std::size_t cachedBytes_ = 0;
    std::size_t cacheBudget_;
    std::uint64_t uses_ = 0;
    std::array<std::unique_ptr<CaptionIndex>, kCategoryCount> captionIndexes_;
    std::map<std::pair<Category, std::string>, std::string> refusals_;
    std::size_t closeNameWork_;  // left for finding close captions
};

// The entries chosen by the user (index or caption, see resolve()), or by a recipes line
// (`recorded`, see resolveRecorded()); the default entry where none is. Raises as resolve().
Selection selectionFor(SkinSession& session, const EntryChoices& entries, bool recorded = false);

// The base and part colours of the skins composed next (see setBase, setColours).
void applyLook(SkinSession& session, const std::optional<std::string>& base,
               const ColourChoices& colours);

// The outfit a skins folder records for the skin `skinName` made of `selection`: entries by
// caption (see outfitEntryText), the base as an absolute path.
Outfit recordedOutfitOf(const SkinSession& session, const std::string& skinName,
                        const Selection& selection, const std::optional<std::string>& base,
                        const PartColours& colours);

// Prints each list file that could not be read on a line of its own: its message and cause.
void reportListFailures(const std::vector<ListFileFailure>& failures, std::ostream& err);

// A failure as a line of standard error shows it: ending in a period, its control characters
// escaped as `list` escapes them (a catalogue's path could otherwise clear the terminal or
// retitle it), in the terminal's encoding.
std::string shownFailure(const std::string& failure);

}  // namespace vestura::cli
