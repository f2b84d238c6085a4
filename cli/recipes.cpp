#include "cli/recipes.h"

#include "common/escape.h"

namespace vestura::cli {

namespace {

// What a line's failure shows of the line's own words, which may hold anything.
constexpr std::size_t kShownFailureBytes = 200;

// A line's failure as the batch reports it: the reader's words, cut short and with control
// characters escaped, as they echo the line; then the category names close to an unknown key.
std::string lineFailure(const std::string& error, const std::string& unknownKey = {}) {
    const std::string shown = escapeControls(
        error.size() <= kShownFailureBytes ? error : error.substr(0, kShownFailureBytes) + "...");
    return unknownKey.empty() ? shown : shown + closeCategoryNames(unknownKey);
}

// The recipe of a line read as an outfit; its output must be a form render writes.
Recipe recipeOf(Outfit outfit, int line) {
    Recipe recipe;
    recipe.line = line;
    recipe.output = std::move(outfit.skin);
    recipe.entries = std::move(outfit.entries);
    recipe.base = std::move(outfit.base);
    recipe.colours = outfit.colours;
    try {
        outputFormOf(recipe.output);
    } catch (const UsageError& e) {
        recipe.error = lineFailure(e.what());
    }
    return recipe;
}

}  // namespace

Recipe parseRecipe(const std::string& text, int line) {
    std::optional<Outfit> outfit;
    try {
        outfit = parseOutfitLine(text);
    } catch (const OutfitLineError& e) {
        throw UsageError(lineFailure(e.message(), e.unknownKey()));
    }
    if (!outfit) {
        Recipe blank;
        blank.line = line;
        return blank;
    }
    Recipe recipe = recipeOf(std::move(*outfit), line);
    if (!recipe.error.empty()) {
        throw UsageError(recipe.error);
    }
    return recipe;
}

std::vector<Recipe> readRecipes(const std::string& path) {
    std::vector<OutfitLine> lines = readOutfitFile(path, "Recipes file");
    std::vector<Recipe> recipes;
    recipes.reserve(lines.size());
    for (OutfitLine& line : lines) {
        if (line.outfit) {
            recipes.push_back(recipeOf(std::move(*line.outfit), line.line));
            continue;
        }
        Recipe& failed = recipes.emplace_back();
        failed.line = line.line;
        failed.output = "?";
        failed.error = lineFailure(line.error, line.unknownKey);
    }
    return recipes;
}

}  // namespace vestura::cli
