#include "common/failure_text.h"

#include <gtest/gtest.h>

#include "common/messages.h"

namespace vestura {
namespace {

struct PeriodCase {
    const char* text;
    const char* shown;
};

class ClosingPeriod : public ::testing::TestWithParam<PeriodCase> {};

TEST_P(ClosingPeriod, AppendsPeriodOnlyAfterCharactersSortingAfterPeriod) {
    EXPECT_EQ(withClosingPeriod(GetParam().text), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ClosingPeriod,
    ::testing::Values(PeriodCase{"", ""},                                  // empty stays empty
                      PeriodCase{"Cannot open file /x/p.ls", "Cannot open file /x/p.ls."},
                      PeriodCase{"Unknown picture file extension (.png)",
                                 "Unknown picture file extension (.png)"},  // ")" sorts before "."
                      PeriodCase{"Stop!", "Stop!"}, PeriodCase{"Done.", "Done."},
                      PeriodCase{"Why?", "Why?."}, PeriodCase{"Ratio:", "Ratio:."},
                      PeriodCase{"JPEG error #41", "JPEG error #41."},
                      PeriodCase{"ends in space ", "ends in space "},
                      PeriodCase{"slash/", "slash/."},       // "/" is code 47, after "."
                      PeriodCase{"\xE9t\xE9", "\xE9t\xE9."}  // high bytes sort after "."
                      ));

TEST(MessageFormat, FillsTheFirstPlaceholder) {
    EXPECT_EQ(msg::format(msg::kCannotOpenFile, "/a b/c.ls"), "Cannot open file /a b/c.ls");
    EXPECT_EQ(msg::format(msg::kUnknownExtension, ""), "Unknown picture file extension (.)");
    EXPECT_EQ(msg::format(msg::kJpegError, 52), "JPEG error #52");
    EXPECT_EQ(msg::format("100%s %s", "x"), "100x %s");
}

}  // namespace
}  // namespace vestura
