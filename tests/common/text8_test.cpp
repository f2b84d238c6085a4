// 8-bit text shown to the user: valid UTF-8 as it is, anything else as Windows-1252; and
// the locale's encoding for the command line.
#include "common/text8.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace vestura {
namespace {

struct DecodeCase {
    const char* name;
    std::string bytes;
    std::string shown;
};

class Decoded : public testing::TestWithParam<DecodeCase> {};

TEST_P(Decoded, ShowsUtf8AsItIsAndAnythingElseAsWindows1252) {
    EXPECT_EQ(text8::decoded(GetParam().bytes), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Decoded,
    testing::Values(DecodeCase{"Ascii", "Polo shirt", "Polo shirt"},
                    DecodeCase{"ValidUtf8", "Caf\xC3\xA9 \xE2\x82\xAC", "Caf\u00E9 \u20AC"},
                    DecodeCase{"Latin1Range", "Caf\xE9", "Caf\u00E9"},
                    DecodeCase{"EuroAndQuotes", "\x80 \x93x\x94", "\u20AC \u201Cx\u201D"},
                    DecodeCase{"UnassignedByteKeepsItsValue", "\x81", "\u0081"},
                    DecodeCase{"OverlongIsNotUtf8", "\xC0\xAF", "\u00C0\u00AF"},
                    DecodeCase{"SurrogateIsNotUtf8", "\xED\xA0\x80", "\u00ED\u00A0\u20AC"},
                    DecodeCase{"CutSequenceIsNotUtf8", "ab\xC3", "ab\u00C3"},
                    DecodeCase{"OneBadByteDecodesTheWholeText", "\xC3\xA9\xE9",
                               "\u00C3\u00A9\u00E9"}),
    [](const auto& info) { return std::string(info.param.name); });

// Restores the C library's character locale however the test ends.
class CharacterLocale {
public:
    explicit CharacterLocale(const char* name) : saved_(std::setlocale(LC_CTYPE, nullptr)) {
        std::setlocale(LC_CTYPE, name);
    }
    ~CharacterLocale() { std::setlocale(LC_CTYPE, saved_.c_str()); }

private:
    std::string saved_;
};

TEST(LocaleText, IsUnchangedInAUtf8Locale) {
    const CharacterLocale utf8("C.UTF-8");
    EXPECT_EQ(text8::toLocale("Caf\u00E9"), "Caf\u00E9");
    EXPECT_EQ(text8::fromLocale("Caf\u00E9"), "Caf\u00E9");
}

TEST(LocaleText, MarksWhatAnAsciiLocaleCannotHold) {
    const CharacterLocale ascii("C");
    EXPECT_EQ(text8::toLocale("Caf\u00E9 \u20AC!"), "Caf? ?!");
    EXPECT_EQ(text8::fromLocale("plain"), "plain");
}

}  // namespace
}  // namespace vestura
