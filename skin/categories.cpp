#include "skin/categories.h"

#include <algorithm>

namespace vestura {

std::optional<Category> categoryNamed(std::string_view name) {
    // The names are distinct in lower case, so a name in other letter case is never ambiguous.
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c | 0x20) : c; };
    const auto found =
        std::find_if(kCategories.begin(), kCategories.end(), [&](const CategoryInfo& c) {
            return std::ranges::equal(c.cliName, name, {}, {}, lower);
        });
    if (found == kCategories.end()) {
        return std::nullopt;
    }
    return found->category;
}

}  // namespace vestura
