// Loading the part catalogue: the list files' "<NEW>" records, category by category.
#include "skin/catalogue.h"

#include <string_view>

#include "common/errors.h"
#include "common/platform.h"
#include "game/catalogue_folder.h"
#include "game/line_buffer.h"

namespace vestura {

namespace {

// A record is this marker line, then the picture path line, then the caption line.
constexpr std::string_view kRecordMarker = "<NEW>";

// Adds the records of the text in `buffer`. Every line is examined, also the path and
// caption lines of a record, so one of those reading "<NEW>" starts a further record;
// lines past the end read as empty.
void addRecords(const LineBuffer& buffer, CategoryEntries& entries) {
    const int lines = buffer.lineCount();
    for (int i = 0; i < lines; ++i) {
        if (buffer.lineView(i) == kRecordMarker) {
            entries.captions.push_back(buffer.line(i + 2));
            entries.paths.push_back(platform::nativePath(buffer.line(i + 1)));
            entries.recordLines.push_back(i + 1);
        }
    }
}

}  // namespace

std::string catalogueFolderOf(const std::string& programFolder) {
    std::vector<std::string_view> listFiles;
    for (const CategoryInfo& category : kCategories) {
        listFiles.push_back(category.listFile);
    }
    return catalogueFolder(programFolder, listFiles);
}

std::vector<ListFileFailure> Catalogue::load(const std::string& programFolder, LineBuffer& buffer) {
    clear();
    std::vector<ListFileFailure> failures;
    for (const CategoryInfo& category : kCategories) {
        CategoryEntries& entries = categories_[static_cast<std::size_t>(category.category)];
        entries.captions.emplace_back(category.defaultEntry);
        entries.loaded = true;
        entries.selected = 0;
        try {
            buffer.load(programFolder + std::string(category.listFile));
        } catch (const Exception& e) {  // missing, unreadable or too large
            failures.push_back({category.category, e.message(), e.cause()});
            continue;
        }
        addRecords(buffer, entries);
    }
    return failures;
}

void Catalogue::clear() {
    categories_.fill(CategoryEntries());
}

void raiseFirst(const std::vector<ListFileFailure>& failures) {
    if (!failures.empty()) {
        throw EFOpenError(failures.front().message, failures.front().cause);
    }
}

const std::string& Catalogue::pathOf(Category c, int index) const {
    return entries(c).paths.at(static_cast<std::size_t>(index - 1));
}

}  // namespace vestura
