// The part catalogue: for each category, the selector's captions and the picture paths,
// read from the seven list files at start-up.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "skin/categories.h"

namespace vestura {

class LineBuffer;

// A list file that could not be read: its category holds only its default entry.
struct ListFileFailure {
    Category category;
    std::string message;  // "Cannot open file <path>", as raised
    std::string cause;    // in plain words, may be empty
};

struct CategoryEntries {
    bool loaded = false;                // the default entry is present (its load was begun)
    std::vector<std::string> captions;  // entry 0 is the default entry, then one per record
    std::vector<std::string> paths;     // paths[k - 1] belongs to captions[k]; native form
    std::vector<int> recordLines;       // 1-based line of each record's "<NEW>" marker
    int selected = -1;                  // 0 after a complete load, -1 otherwise
};

// The folder whose list files are read for a program in `programFolder`: the user's own
// catalogue when it holds any of the seven list files, else the program folder.
std::string catalogueFolderOf(const std::string& programFolder);

// Raises the first of `failures`, if any, as the failure it was (its message and cause), for
// a caller that cannot go on without every list file.
void raiseFirst(const std::vector<ListFileFailure>& failures);

class Catalogue {
public:
    // Reads the seven list files (programFolder + list file name) through `buffer`, in
    // table order. A list file that cannot be read leaves its category with only its default
    // entry, and the others still load; the failures are returned in table order. Out of
    // memory is raised.
    std::vector<ListFileFailure> load(const std::string& programFolder, LineBuffer& buffer);
    void clear();

    const CategoryEntries& entries(Category c) const {
        return categories_[static_cast<std::size_t>(c)];
    }
    // Puts `kept` in place of a category's entries: a reload keeps the old entries of a list
    // file that could not be read again.
    void keepEntries(Category c, CategoryEntries kept) {
        categories_[static_cast<std::size_t>(c)] = std::move(kept);
    }

    // The path of entry `index` (1 and up), relative to the program folder.
    const std::string& pathOf(Category c, int index) const;

private:
    std::array<CategoryEntries, kCategoryCount> categories_;
};

}  // namespace vestura
