// Recipes files: one skin per non-empty line, `OUTPUT.bmp category=E ...`. A value with
// blanks is written in double quotes: shirt="Hawaiian shirt".
#pragma once

#include <string>
#include <vector>

#include "cli/command_line.h"

namespace vestura::cli {

struct Recipe {
    int line = 0;  // 1-based line in the recipes file
    std::string output;
    EntryChoices entries;
    std::string error;  // why the line is not a recipe; empty when it is one
};

// Reads the whole file; raises EFOpenError when it cannot be read. Lines that are not
// recipes come back with their error, so the others still run.
std::vector<Recipe> readRecipes(const std::string& path);

// One line's recipe. Raises UsageError for a line that is not a recipe.
Recipe parseRecipe(const std::string& text, int line);

}  // namespace vestura::cli
