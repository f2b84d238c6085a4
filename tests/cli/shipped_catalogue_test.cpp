// The sample catalogue shipped beside the program is clean: every entry loads and decodes,
// nothing reaches past the skin, every jeans bitmap has its key colour.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "cli/commands.h"

namespace vestura::cli {
namespace {

TEST(ShippedCatalogue, ChecksWithoutProblemsOrWarnings) {
    std::ostringstream out, err;
    const int status = run({"check"}, VESTURA_CATALOGUE_DIR, out, err);
    EXPECT_EQ(status, 0) << out.str() << err.str();
    const std::string report = out.str();
    EXPECT_EQ(report.find('\n'), report.rfind('\n')) << "only the summary line:\n" << report;
    EXPECT_NE(report.find(" 0 problems, 0 warnings"), std::string::npos) << report;
}

TEST(ShippedCatalogue, OffersAtLeastFourEntriesPerCategory) {
    std::ostringstream out, err;
    ASSERT_EQ(run({"list"}, VESTURA_CATALOGUE_DIR, out, err), 0) << err.str();
    std::istringstream lines(out.str());
    std::map<std::string, int> entries;
    for (std::string line; std::getline(lines, line);) {
        ++entries[line.substr(0, line.find('\t'))];
    }
    ASSERT_EQ(entries.size(), kCategoryCount);
    for (const auto& [category, count] : entries) {
        EXPECT_GE(count, 5) << category;  // the default entry and four or more parts
    }
}

}  // namespace
}  // namespace vestura::cli
