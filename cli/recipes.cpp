#include "cli/recipes.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "common/file_io.h"

namespace vestura::cli {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// Splits a line into words at blanks; double quotes group blanks into a word.
std::vector<std::string> splitWords(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false, quoted = false;
    for (const char c : text) {
        if (c == '"') {
            quoted = !quoted;
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
        throw UsageError("unclosed quote");
    }
    if (inWord) {
        words.push_back(std::move(word));
    }
    return words;
}

}  // namespace

Recipe parseRecipe(const std::string& text, int line) {
    const std::vector<std::string> words = splitWords(text);
    Recipe recipe;
    recipe.line = line;
    if (words.empty()) {
        return recipe;
    }
    recipe.output = words[0];
    outputFormOf(recipe.output);
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::size_t equals = words[i].find('=');
        const auto category =
            equals == std::string::npos ? std::nullopt : categoryNamed(words[i].substr(0, equals));
        if (!category) {
            const std::string close = equals == std::string::npos
                                          ? std::string()
                                          : closeCategoryNames(words[i].substr(0, equals));
            throw UsageError("expected category=ENTRY, got " + words[i] + close);
        }
        recipe.entries[static_cast<std::size_t>(*category)] = words[i].substr(equals + 1);
    }
    return recipe;
}

namespace {

[[noreturn]] void refuse(const std::string& path, const std::string& why) {
    throw RecipesRefused("Recipes file " + path + why);
}

}  // namespace

std::vector<Recipe> readRecipes(const std::string& path) {
    const std::optional<Bytes> bytes = readFileUpTo(path, kMaxRecipesFileBytes);
    if (!bytes) {
        refuse(path, " is larger than " + std::to_string(kMaxRecipesFileBytes >> 20) + " MiB");
    }
    const std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    std::vector<Recipe> recipes;
    int line = 0;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        ++line;
        if (end - start > kMaxRecipeLineBytes) {
            refuse(path, ": line " + std::to_string(line) + " is longer than " +
                             std::to_string(kMaxRecipeLineBytes >> 10) + " KiB");
        }
        Recipe recipe;
        try {
            recipe = parseRecipe(std::string(text.substr(start, end - start)), line);
        } catch (const UsageError& e) {
            recipe.line = line;
            recipe.output = "?";
            recipe.error = e.what();
        }
        if (!recipe.output.empty()) {
            if (recipes.size() == kMaxRecipes) {
                refuse(path, " holds more than " + std::to_string(kMaxRecipes) + " recipes");
            }
            recipes.push_back(std::move(recipe));
        }
        start = end + 1;
    }
    return recipes;
}

}  // namespace vestura::cli
