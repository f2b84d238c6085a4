// A catalogue read once and the pictures of its entries loaded once, from which any number
// of skins are rendered exactly as the window's Save renders them.
#pragma once

#include <array>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "game/line_buffer.h"
#include "skin/catalogue.h"
#include "skin/preview.h"

namespace vestura::cli {

// The chosen entry index of every category (0 = the default entry).
using Selection = std::array<int, kCategoryCount>;

class SkinSession {
public:
    // Reads the seven list files of `programFolder` (which ends with a separator).
    explicit SkinSession(std::string programFolder);

    const Catalogue& catalogue() const { return catalogue_; }
    const std::string& programFolder() const { return programFolder_; }

    // The index of an entry given as an index or as its exact caption. Raises UsageError
    // naming the category when there is no such entry.
    int resolve(Category c, const std::string& entry) const;

    // Composes the selection over the base skin and writes it as Save does. Failures that
    // pictures raise while drawing (a JPEG's first decode) are appended to `failures`; the
    // skin is written all the same, as the window does.
    void render(const Selection& selection, const std::string& output,
                std::vector<std::string>& failures);

private:
    // Loads the entry's picture on first use and moves it into the category's slot.
    void showInSlot(Category c, int index);
    void returnToCache(Category c, int index);

    std::string programFolder_;
    LineBuffer memo_;
    Catalogue catalogue_;
    Preview preview_;
    std::map<std::pair<Category, int>, std::unique_ptr<TGraphic>> pictures_;
};

}  // namespace vestura::cli
