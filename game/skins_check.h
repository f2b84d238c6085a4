// The skins-folder check: which skin files the game can read. The game reads a skin only as
// a BMP with a 40-byte information header, 24 bits per pixel, no compression, rows stored
// bottom-up, 256 x 256 pixels, under a base name of at most 31 ASCII characters.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vestura {

inline constexpr int kSkinSide = 256;
inline constexpr std::size_t kSkinNameMax = 31;
// The first bytes of a file that the check reads: file header and information header.
inline constexpr std::size_t kSkinHeaderBytes = 14 + 40;
// The largest file taken for a skin. The largest form of a 256 x 256 picture that a rewrite
// fixes is 32 bits per pixel: 262,144 bytes of pixels plus at most a few KiB of headers,
// bit fields and colour table. Twice that leaves room for padding between the headers and
// the pixels; a larger file is reported by its size and never read.
inline constexpr std::uint64_t kLargestSkinFileBytes = 512 * 1024;

struct SkinProblem {
    // Form: how the pixels are stored; a rewrite fixes it. Size and Name: only the user can
    // change them. Unreadable: the file is not a BMP, is damaged, too large, or cannot be
    // read. Outside: a symbolic link to a file outside the skins folder, which is neither
    // read nor ever written through.
    enum Kind { Form, Size, Name, Unreadable, Outside } kind;
    std::string text;  // in plain words: "32 bits per pixel", "stored top-down", ...
};

struct SkinCheck {
    std::string name;  // the file's name in the skins folder
    std::vector<SkinProblem> problems;

    bool ok() const { return problems.empty(); }
    // True when a rewrite in the game's form would leave no problem.
    bool onlyForm() const;
    // The problems joined by "; ".
    std::string describe() const;
};

// The game folder's skins folder ("skins" in any letter case, the exact name first), ending
// with a separator; nullopt when it has none.
std::optional<std::string> skinsFolderOf(const std::string& gameFolder);

// The names of the entries ending in ".bmp" (any letter case) in the folder, sorted.
std::vector<std::string> skinFileNames(const std::string& skinsFolder);

// What the game cannot read in a file of `fileSize` bytes beginning with `head` (its first
// bytes, up to kSkinHeaderBytes).
std::vector<SkinProblem> headerProblems(std::span<const std::uint8_t> head, std::uint64_t fileSize);

// The problems of a skin file's name (base name too long, not plain ASCII).
std::vector<SkinProblem> nameProblems(const std::string& name);

// Checks one file of the skins folder: its name, then its headers. Opens only regular
// files within the skins folder and no larger than kLargestSkinFileBytes, without blocking.
SkinCheck checkSkinFile(const std::string& skinsFolder, const std::string& name);

}  // namespace vestura
