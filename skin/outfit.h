// Outfits: one line that says how a skin is made, the single format of recipes files, of the
// skins folder's record of saved skins and of reopening a skin:
//
//     Tommy.bmp shirt="Hawaiian shirt" boots=2 base=/home/me/skins/old.bmp shirt.colour=#1E90FF
//
// The skin's file name comes first, then words KEY=VALUE: CATEGORY=ENTRY (an index, 0 being
// the default entry, or a caption), base=PICTURE and CATEGORY.colour=#RRGGBB. Words are
// separated by blanks; double quotes group blanks into a word, and inside quotes "" stands
// for one double quote.
#pragma once

#include <QRgb>
#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/errors.h"
#include "skin/catalogue.h"
#include "skin/categories.h"
#include "skin/colourise.h"

namespace vestura {

// What an outfits file may hold. A line names one skin, at most seven entries, one base and
// seven colours, so even long paths and captions fit a line many times over; ten thousand
// skins is far beyond any game's skins folder. Beyond these a file is refused before any of
// it is parsed further.
inline constexpr std::size_t kMaxOutfitFileBytes = std::size_t{4} << 20;
inline constexpr std::size_t kMaxOutfitLineBytes = std::size_t{16} << 10;
inline constexpr std::size_t kMaxOutfits = 10000;

// The name of the record a skins folder keeps of the outfit of every skin saved into it.
inline constexpr std::string_view kOutfitsFileName = "outfits.txt";

// An entry as an outfit names it: an index or a caption; empty = the default entry.
using OutfitEntries = std::array<std::optional<std::string>, kCategoryCount>;

struct Outfit {
    std::string skin;             // the skin's file name (or path, in a recipes file)
    OutfitEntries entries;
    std::optional<std::string> base;  // a picture file; the built-in base skin when empty
    PartColours colours;
};

// A line that is not an outfit. `unknownKey` is the key of a word that names no category (so
// a caller can offer close names); empty for other faults.
class OutfitLineError : public Exception {
public:
    OutfitLineError(std::string message, std::string unknownKey = {})
        : Exception(std::move(message)), unknownKey_(std::move(unknownKey)) {}
    const std::string& unknownKey() const { return unknownKey_; }

private:
    std::string unknownKey_;
};

// A file of outfits past one of the caps: "<what> PATH is larger than 4 MiB", "...: line N is
// longer than 16 KiB", "... holds more than 10000 lines".
class OutfitFileRefused : public Exception {
public:
    using Exception::Exception;
};

// One line's outfit; nullopt for a blank line. Raises OutfitLineError naming what is wrong:
// an unclosed quote, a word that is not KEY=VALUE, an unknown category, a colour that is not
// #RRGGBB.
std::optional<Outfit> parseOutfitLine(std::string_view text);

// The line parseOutfitLine reads back as `outfit` (no line end). Words with blanks, quotes or
// nothing in them are quoted.
std::string formatOutfitLine(const Outfit& outfit);

// "#1E90FF" and back. parseColour accepts either letter case and raises OutfitLineError.
std::string formatColour(QRgb colour);
QRgb parseColour(std::string_view text);

struct OutfitLine {
    int line = 0;          // 1-based
    std::string text;      // the line as it stands in the file, without its line end
    std::optional<Outfit> outfit;  // empty for a blank line or one that is not an outfit
    std::string error;     // why the line is not an outfit; empty when it is one or blank
    std::string unknownKey;  // the error's unknown category key (see OutfitLineError)
};

// Every line of an outfits or recipes file that is not blank. Raises EFOpenError when it cannot be read and
// OutfitFileRefused, with `what` ("Recipes file") naming the file, when it is past a cap.
std::vector<OutfitLine> readOutfitFile(const std::string& path, std::string_view what);

// The entry an outfit's text names in a category: an index written in digits when the
// category has it, else the first entry with exactly that caption; nullopt for none.
std::optional<int> findOutfitEntry(const Catalogue& catalogue, Category c, std::string_view text);

// The text an outfit records for entry `index`: its caption when findOutfitEntry leads back to
// the same entry, else the index. Empty for the default entry.
std::optional<std::string> outfitEntryText(const Catalogue& catalogue, Category c, int index);

// The skins folder's record (skinsFolder ends with a separator): replaces the line of the
// skin of the same file name in any letter case (even one that cannot be read), or adds one,
// keeping every other line that is not blank as it stands, and writes the file safely. Raises what
// reading (OutfitFileRefused, EReadError) or writing (EFCreateError, EWriteError) raises; a record
// that cannot be read is left as it is. A record that is a symbolic link, or anything but a regular
// file, is never read or written through (EFCreateError): it could lead to any file. An outfit
// checkRecordable refuses is not recorded; nor one that would take the record past a cap of outfits
// files (OutfitFileRefused), as the record could not be read again. The skins folder is held
// exclusively from the read to the write, so programs recording at once each keep their line;
// one that holds it past kRecordLockWaitMs is reported (EFCreateError "another program is
// writing it").
inline constexpr int kRecordLockWaitMs = 10'000;
void recordOutfit(const std::string& skinsFolder, const Outfit& outfit);

// Raises OutfitLineError when the outfit cannot be recorded as a line that reads back: a
// word with a line break, or a line longer than kMaxOutfitLineBytes.
void checkRecordable(const Outfit& outfit);

// recordOutfit for many skins with one read and one write of the record; a skin named twice
// keeps the last of its outfits. A record that would pass a cap is refused
// (OutfitFileRefused) and left as it is.
void recordOutfits(const std::string& skinsFolder, std::span<const Outfit> outfits);

// The recorded outfit of the skin `skinName` in the skins folder's record, the last line for
// it when there are several; nullopt when the record has none or does not exist. A line that
// names the skin but cannot be read is raised as its OutfitLineError, with "line N: " before
// its message. Raises as readOutfitFile.
std::optional<Outfit> recordedOutfit(const std::string& skinsFolder, std::string_view skinName);

}  // namespace vestura
