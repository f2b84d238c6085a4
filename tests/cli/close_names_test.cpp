// Close names: the banded edit distance against the plain one, and the order names come in.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "cli/close_names.h"

namespace vestura::cli {
namespace {

// The whole edit table, swaps of neighbours included.
int plainEdits(const std::u16string& a, const std::u16string& b) {
    std::vector<std::vector<int>> d(a.size() + 1, std::vector<int>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i) {
        for (std::size_t j = 0; j <= b.size(); ++j) {
            if (i == 0 || j == 0) {
                d[i][j] = static_cast<int>(i + j);
                continue;
            }
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1,
                                d[i - 1][j - 1] + (a[i - 1] != b[j - 1] ? 1 : 0)});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
            }
        }
    }
    return d[a.size()][b.size()];
}

// Words of a two-letter alphabet meet every shape of the band: near, far, longer, shorter.
TEST(CloseNames, ASlipIsCloseExactlyWhenThePlainEditDistanceIsWithinItsLimit) {
    std::mt19937 random(7);
    const auto word = [&] {
        std::u16string text(random() % 13, u'a');
        std::generate(text.begin(), text.end(), [&] { return random() % 2 ? u'a' : u'b'; });
        return text;
    };
    for (int n = 0; n < 20000; ++n) {
        const std::u16string typed = word(), candidate = word();
        CloseNames close(typed);
        close.offer(candidate, 1);
        const int limit = std::clamp(static_cast<int>(typed.size()) / 3, 1, 3);
        const bool expected = !typed.empty() && (candidate.starts_with(typed) ||
                                                 plainEdits(typed, candidate) <= limit);
        ASSERT_EQ(!close.closest().empty(), expected)
            << std::string(typed.begin(), typed.end()) << " / "
            << std::string(candidate.begin(), candidate.end());
    }
}

TEST(CloseNames, NamesThatBeginWithTheTypedTextComeFirstThenSlipsByEdits) {
    CloseNames close(u"hawaian shrit");
    close.offer(u"hawaiian shirt", 1);      // three edits
    close.offer(u"hawaian shirt", 2);       // two
    close.offer(u"hawaian shrit, red", 3);  // begins with it
    close.offer(u"tuxedo", 4);
    close.offer(u"hawaian shrit too", 5);  // begins with it, shorter than 3
    EXPECT_EQ(close.closest(), (std::vector<int>{5, 3, 2}));
    EXPECT_EQ(closestNames({"a", "b"}), "; the closest: a, b");
    EXPECT_EQ(closestNames({}), "");
}

}  // namespace
}  // namespace vestura::cli
