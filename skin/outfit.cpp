#include "skin/outfit.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <unordered_map>

#include "common/file_io.h"
#include "common/messages.h"
#include "common/text8.h"

namespace vestura {

namespace {

constexpr std::string_view kBaseKey = "base";
// The colour key's suffix; the American spelling is read too, and the first is written.
constexpr std::array<std::string_view, 2> kColourSuffixes{".colour", ".color"};

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// Splits a line into words at blanks; double quotes group blanks into a word, and a doubled
// quote inside quotes is one quote of the word.
std::vector<std::string> splitWords(std::string_view text) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false, quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            if (quoted && i + 1 < text.size() && text[i + 1] == '"') {
                word.push_back('"');
                ++i;
            } else {
                quoted = !quoted;
            }
            inWord = true;
        } else if (isBlank(c) && !quoted) {
            if (inWord) {
                words.push_back(std::move(word));
                word.clear();
            }
            inWord = false;
        } else {
            word.push_back(c);
            inWord = true;
        }
    }
    if (quoted) {
        throw OutfitLineError("unclosed quote");
    }
    if (inWord) {
        words.push_back(std::move(word));
    }
    return words;
}

std::string quotedIfNeeded(std::string_view word) {
    const bool plain = !word.empty() && std::none_of(word.begin(), word.end(), [](char c) {
        return isBlank(c) || c == '"';
    });
    if (plain) {
        return std::string(word);
    }
    std::string quoted = "\"";
    for (const char c : word) {
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    }
    return quoted + "\"";
}

// "shirt.colour" -> shirt; nullopt when the key does not end with a colour suffix.
std::optional<std::string_view> colourKeyCategory(std::string_view key) {
    for (const std::string_view suffix : kColourSuffixes) {
        if (key.size() > suffix.size() && key.ends_with(suffix)) {
            return key.substr(0, key.size() - suffix.size());
        }
    }
    return std::nullopt;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    const char lower = static_cast<char>(c | 0x20);
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

Category categoryOfKey(std::string_view key, std::string_view word) {
    const std::optional<Category> category = categoryNamed(key);
    if (!category) {
        throw OutfitLineError("unknown category " + std::string(key) + " in " + std::string(word),
                              std::string(key));
    }
    return *category;
}

[[noreturn]] void refuse(std::string_view what, const std::string& path, const std::string& why) {
    throw OutfitFileRefused(std::string(what) + " " + path + why);
}

}  // namespace

std::string formatColour(QRgb colour) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", qRed(colour), qGreen(colour), qBlue(colour));
    return text;
}

QRgb parseColour(std::string_view text) {
    unsigned value = 0;
    const bool wellFormed = text.size() == 7 && text[0] == '#' &&
                            std::all_of(text.begin() + 1, text.end(), [&](char c) {
                                const int digit = hexDigit(c);
                                value = value * 16 + static_cast<unsigned>(digit);
                                return digit >= 0;
                            });
    if (!wellFormed) {
        throw OutfitLineError("a colour is #RRGGBB in hexadecimal, not " + std::string(text));
    }
    return 0xFF000000u | value;
}

std::optional<Outfit> parseOutfitLine(std::string_view text) {
    const std::vector<std::string> words = splitWords(text);
    if (words.empty()) {
        return std::nullopt;
    }
    Outfit outfit;
    outfit.skin = words[0];
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::string& word = words[i];
        const std::size_t equals = word.find('=');
        if (equals == std::string::npos) {
            throw OutfitLineError("expected category=ENTRY, got " + word, word);
        }
        const std::string_view key = std::string_view(word).substr(0, equals);
        std::string value = word.substr(equals + 1);
        if (key == kBaseKey) {
            outfit.base = std::move(value);
        } else if (const auto colourOf = colourKeyCategory(key)) {
            const Category c = categoryOfKey(*colourOf, word);
            outfit.colours[static_cast<std::size_t>(c)] = parseColour(value);
        } else {
            const Category c = categoryOfKey(key, word);
            outfit.entries[static_cast<std::size_t>(c)] = std::move(value);
        }
    }
    return outfit;
}

std::string formatOutfitLine(const Outfit& outfit) {
    std::string line = quotedIfNeeded(outfit.skin);
    for (const CategoryInfo& row : kCategories) {
        if (const auto& entry = outfit.entries[static_cast<std::size_t>(row.category)]) {
            line += " " + std::string(row.cliName) + "=" + quotedIfNeeded(*entry);
        }
    }
    if (outfit.base) {
        line += " base=" + quotedIfNeeded(*outfit.base);
    }
    for (const CategoryInfo& row : kCategories) {
        if (const auto& colour = outfit.colours[static_cast<std::size_t>(row.category)]) {
            line += " " + std::string(row.cliName) + std::string(kColourSuffixes[0]) + "=" +
                    formatColour(*colour);
        }
    }
    return line;
}

std::vector<OutfitLine> readOutfitFile(const std::string& path, std::string_view what) {
    const std::optional<Bytes> bytes = readFileUpTo(path, kMaxOutfitFileBytes);
    if (!bytes) {
        refuse(what, path, " is larger than " + std::to_string(kMaxOutfitFileBytes >> 20) + " MiB");
    }
    const std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    std::vector<OutfitLine> lines;
    int number = 0;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        ++number;
        if (end - start > kMaxOutfitLineBytes) {
            refuse(what, path, ": line " + std::to_string(number) + " is longer than " +
                                   std::to_string(kMaxOutfitLineBytes >> 10) + " KiB");
        }
        const std::string_view content = text.substr(start, end - start);
        start = end + 1;
        if (std::all_of(content.begin(), content.end(), isBlank)) {
            continue;  // blank lines hold nothing to keep, and cost nothing
        }
        if (lines.size() == kMaxOutfits) {
            refuse(what, path, " holds more than " + std::to_string(kMaxOutfits) + " recipes");
        }
        OutfitLine& line = lines.emplace_back();
        line.line = number;
        line.text = content;
        try {
            line.outfit = parseOutfitLine(line.text);
        } catch (const OutfitLineError& e) {
            line.error = e.message();
            line.unknownKey = e.unknownKey();
        }
    }
    return lines;
}

std::optional<int> findOutfitEntry(const Catalogue& catalogue, Category c, std::string_view text) {
    const std::vector<std::string>& captions = catalogue.entries(c).captions;
    int index = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), index);
    if (error == std::errc() && end == text.data() + text.size() && index >= 0 &&
        static_cast<std::size_t>(index) < captions.size()) {
        return index;
    }
    const auto found = std::find(captions.begin(), captions.end(), text);
    if (found == captions.end()) {
        return std::nullopt;
    }
    return static_cast<int>(found - captions.begin());
}

std::optional<std::string> outfitEntryText(const Catalogue& catalogue, Category c, int index) {
    if (index <= 0) {
        return std::nullopt;
    }
    const std::string& caption = catalogue.entries(c).captions.at(static_cast<std::size_t>(index));
    if (findOutfitEntry(catalogue, c, caption) == index) {
        return caption;
    }
    return std::to_string(index);
}

namespace {

std::string recordPath(const std::string& skinsFolder) {
    return skinsFolder + std::string(kOutfitsFileName);
}

// The file name a line begins with, as written (quotes and all) when the line cannot be read.
std::string_view skinOf(const OutfitLine& line) {
    if (line.outfit) {
        return line.outfit->skin;
    }
    const std::string_view text = line.text;
    const std::size_t start = text.find_first_not_of(" \t\r");
    return start == std::string_view::npos
               ? std::string_view()
               : text.substr(start, text.find_first_of(" \t\r", start) - start);
}

// True when the line is the skin's own: its name in any letter case, as the game, which
// runs on a system that does not tell letter cases apart, takes it. On a folder that does,
// a line spelled otherwise whose own file is there too belongs to that other file.
bool namesSkin(const OutfitLine& line, std::string_view skinName, const std::string& skinsFolder) {
    const std::string_view named = skinOf(line);
    if (named == skinName) {
        return true;
    }
    if (!text8::equalsIgnoringCase(named, skinName)) {
        return false;
    }
    const std::string other = skinsFolder + std::string(named);
    std::error_code error;
    if (!std::filesystem::exists(other, error)) {
        return true;
    }
    return std::filesystem::equivalent(other, skinsFolder + std::string(skinName), error) && !error;
}

bool exists(const std::string& path) {
    std::error_code error;
    return std::filesystem::symlink_status(path, error).type() !=
           std::filesystem::file_type::not_found;
}

}  // namespace

namespace {

std::string lowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return lower;
}

// Only a regular file of the folder's own is read and replaced: a link could lead anywhere.
void checkIsOwnFile(const std::string& path) {
    std::error_code error;
    const auto type = std::filesystem::symlink_status(path, error).type();
    if (type != std::filesystem::file_type::not_found &&
        type != std::filesystem::file_type::regular) {
        throw EFCreateError(msg::format(msg::kCannotCreateFile, path),
                            type == std::filesystem::file_type::symlink
                                ? "a symbolic link is in the way, and the record is never "
                                  "written through one"
                                : "it is not a regular file");
    }
}

// The skins folder held exclusively while its record is read, changed and replaced, so that
// two programs recording at once (the window's Save, a render batch) cannot each write
// their own copy and lose the other's line. A writer that does not let go within
// kRecordLockWaitMs is reported, never waited for without end. A folder that cannot be
// opened is not locked: the write that follows reports it.
class RecordLock {
public:
    explicit RecordLock(const std::string& skinsFolder, const std::string& recordPath) {
        fd_ = ::open(skinsFolder.empty() ? "." : skinsFolder.c_str(),
                     O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd_ < 0) {
            return;
        }
        for (int waited = 0; ::flock(fd_, LOCK_EX | LOCK_NB) != 0; waited += kStepMs) {
            if ((errno != EWOULDBLOCK && errno != EINTR) || waited >= kRecordLockWaitMs) {
                ::close(fd_);
                throw EFCreateError(msg::format(msg::kCannotCreateFile, recordPath),
                                    "another program is writing it");
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(kStepMs));
        }
    }
    ~RecordLock() {
        if (fd_ >= 0) {
            ::close(fd_);  // lets the lock go
        }
    }
    RecordLock(const RecordLock&) = delete;
    RecordLock& operator=(const RecordLock&) = delete;

private:
    static constexpr int kStepMs = 5;
    int fd_ = -1;
};

}  // namespace

void checkRecordable(const Outfit& outfit) {
    // A word with a line break would split its line in two, and the second half would read
    // as the outfit of another skin.
    const auto breaks = [](const std::optional<std::string>& word) {
        return word && word->find('\n') != std::string::npos;
    };
    if (outfit.skin.find('\n') != std::string::npos || breaks(outfit.base) ||
        std::any_of(outfit.entries.begin(), outfit.entries.end(), breaks)) {
        throw OutfitLineError("a line break in its outfit, which no outfit line can hold");
    }
    if (formatOutfitLine(outfit).size() > kMaxOutfitLineBytes) {
        throw OutfitLineError("its outfit line would be longer than " +
                              std::to_string(kMaxOutfitLineBytes >> 10) + " KiB");
    }
}

void recordOutfit(const std::string& skinsFolder, const Outfit& outfit) {
    recordOutfits(skinsFolder, std::span(&outfit, 1));
}

void recordOutfits(const std::string& skinsFolder, std::span<const Outfit> outfits) {
    std::unordered_map<std::string, std::size_t> newest;  // by skin name in one letter case
    for (std::size_t i = 0; i < outfits.size(); ++i) {
        checkRecordable(outfits[i]);
        newest[lowerAscii(outfits[i].skin)] = i;
    }
    const std::string path = recordPath(skinsFolder);
    const RecordLock lock(skinsFolder, path);
    checkIsOwnFile(path);
    std::vector<OutfitLine> lines;
    if (exists(path)) {
        lines = readOutfitFile(path, "Outfits file");
    }
    std::string text;
    std::size_t lineCount = 0;
    std::vector<bool> written(outfits.size(), false);
    for (const OutfitLine& line : lines) {
        auto replacing = newest.find(lowerAscii(skinOf(line)));
        if (replacing != newest.end() &&
            !namesSkin(line, outfits[replacing->second].skin, skinsFolder)) {
            replacing = newest.end();  // another file's, in another letter case
        }
        if (replacing == newest.end()) {
            text += line.text + "\n";
            ++lineCount;
        } else if (!written[replacing->second]) {
            // In the place of the skin's first line.
            text += formatOutfitLine(outfits[replacing->second]) + "\n";
            written[replacing->second] = true;
            ++lineCount;
        }
    }
    for (std::size_t i = 0; i < outfits.size(); ++i) {
        if (newest[lowerAscii(outfits[i].skin)] == i && !written[i]) {
            text += formatOutfitLine(outfits[i]) + "\n";
            written[i] = true;
            ++lineCount;
        }
    }
    if (text.size() > kMaxOutfitFileBytes) {
        refuse("Outfits file", path,
               " would be larger than " + std::to_string(kMaxOutfitFileBytes >> 20) + " MiB");
    }
    if (lineCount > kMaxOutfits) {
        refuse("Outfits file", path,
               " would hold more than " + std::to_string(kMaxOutfits) + " recipes");
    }
    const ByteView bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    writeFileSafely(path, {bytes});
}

std::optional<Outfit> recordedOutfit(const std::string& skinsFolder, std::string_view skinName) {
    const std::string path = recordPath(skinsFolder);
    if (!exists(path)) {
        return std::nullopt;
    }
    const std::vector<OutfitLine> lines = readOutfitFile(path, "Outfits file");
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
        if (namesSkin(*line, skinName, skinsFolder)) {
            if (!line->outfit) {
                throw OutfitLineError("line " + std::to_string(line->line) + ": " + line->error);
            }
            return line->outfit;
        }
    }
    return std::nullopt;
}

}  // namespace vestura
