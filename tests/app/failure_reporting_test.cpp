// Failure reporting: the period rule, the caption and icon, the silent kind, and a window
// that stays usable after a handler failed.
#include "app/failure_reporting.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "common/errors.h"
#include "tests/support/fake_desktop_services.h"

namespace vestura::test {
namespace {

struct ReportCase {
    const char* raised;
    const char* shown;
};

class PeriodRule : public ::testing::TestWithParam<ReportCase> {};

TEST_P(PeriodRule, ShowsTheMessageWithCaptionVesturaAndTheStopIcon) {
    FakeDesktopServices services;
    runGuarded(services, [] { throw EFOpenError(GetParam().raised); });
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text, GetParam().shown);
    EXPECT_EQ(services.messages[0].caption, "Vestura");
    EXPECT_EQ(services.messages[0].flags, 16u);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PeriodRule,
    ::testing::Values(ReportCase{"Cannot open file /x/p.ls", "Cannot open file /x/p.ls."},
                      ReportCase{"Unknown picture file extension (.png)",
                                 "Unknown picture file extension (.png)"},
                      ReportCase{"Stop!", "Stop!"}, ReportCase{"Why?", "Why?."}, ReportCase{"", ""},
                      ReportCase{"JPEG error #41", "JPEG error #41."}));

TEST(FailureReporting, DropsTheSilentKind) {
    FakeDesktopServices services;
    runGuarded(services, [] { throw EAbort(); });
    EXPECT_TRUE(services.kinds.empty());
}

TEST(FailureReporting, ShowsForeignExceptionsByTheirTextAndOthersEmpty) {
    FakeDesktopServices services;
    runGuarded(services, [] { throw std::runtime_error("out of paper"); });
    runGuarded(services, [] { throw 42; });
    ASSERT_EQ(services.messages.size(), 2u);
    EXPECT_EQ(services.messages[0].text, "out of paper.");
    EXPECT_EQ(services.messages[1].text, "");
    EXPECT_EQ(services.messages[1].caption, "Vestura");
}

TEST(FailureReporting, RunsTheHandlerToTheEndWhenNothingFails) {
    FakeDesktopServices services;
    bool ran = false;
    runGuarded(services, [&] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_TRUE(services.kinds.empty());
}

}  // namespace
}  // namespace vestura::test
