// Recipes files: one skin per non-empty line, `OUTPUT.bmp category=E ...` (or OUTPUT.png for
// a PNG picture of the skin). A value with blanks is written in double quotes:
// shirt="Hawaiian shirt".
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "common/errors.h"

namespace vestura::cli {

// What a recipes file may hold. A line names one output and at most seven entries, so even
// long paths and captions fit a line many times over; ten thousand skins is far beyond any
// game's skins folder. Beyond these the file is refused before any of it is parsed further.
inline constexpr std::size_t kMaxRecipesFileBytes = std::size_t{4} << 20;
inline constexpr std::size_t kMaxRecipeLineBytes = std::size_t{16} << 10;
inline constexpr std::size_t kMaxRecipes = 10000;

// A recipes file past one of the caps: "Recipes file PATH is larger than 4 MiB", "...:
// line N is longer than 16 KiB", "... holds more than 10000 recipes".
class RecipesRefused : public Exception {
public:
    using Exception::Exception;
};

struct Recipe {
    int line = 0;  // 1-based line in the recipes file
    std::string output;
    EntryChoices entries;
    std::string error;  // why the line is not a recipe; empty when it is one
};

// Reads the whole file; raises EFOpenError when it cannot be read and RecipesRefused when
// it is past a cap. Lines that are not recipes come back with their error, so the others
// still run.
std::vector<Recipe> readRecipes(const std::string& path);

// One line's recipe. Raises UsageError for a line that is not a recipe.
Recipe parseRecipe(const std::string& text, int line);

}  // namespace vestura::cli
