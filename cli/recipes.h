// Recipes files: one skin per non-empty line, an outfit line (see skin/outfit.h) whose first
// word is the output, OUTPUT.bmp or OUTPUT.png for a PNG picture of the skin:
//     Tommy.bmp shirt="Hawaiian shirt" boots=2 base=old.bmp shirt.colour=#1E90FF
// A skins folder's outfits.txt is such a file.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "common/errors.h"
#include "skin/outfit.h"

namespace vestura::cli {

// What a recipes file may hold: the caps of every outfits file. Beyond these the file is
// refused before any of it is parsed further.
inline constexpr std::size_t kMaxRecipesFileBytes = kMaxOutfitFileBytes;
inline constexpr std::size_t kMaxRecipeLineBytes = kMaxOutfitLineBytes;
inline constexpr std::size_t kMaxRecipes = kMaxOutfits;

// A recipes file past one of the caps: "Recipes file PATH is larger than 4 MiB", "...:
// line N is longer than 16 KiB", "... holds more than 10000 recipes".
using RecipesRefused = OutfitFileRefused;

struct Recipe {
    int line = 0;  // 1-based line in the recipes file
    std::string output;
    EntryChoices entries;
    std::optional<std::string> base;  // a picture, relative to the current folder as outputs are
    PartColours colours;
    std::string error;  // why the line is not a recipe; empty when it is one
};

// Reads the whole file; raises EFOpenError when it cannot be read and RecipesRefused when
// it is past a cap. Lines that are not recipes come back with their error, so the others
// still run.
std::vector<Recipe> readRecipes(const std::string& path);

// One line's recipe. Raises UsageError for a line that is not a recipe.
Recipe parseRecipe(const std::string& text, int line);

}  // namespace vestura::cli
