// Control characters in printed names: escaped so no name can end or forge a line or drive
// the terminal, and the output reads back to the very bytes.
#include "common/escape.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "common/text8.h"

namespace vestura {
namespace {

struct EscapeCase {
    const char* name;
    std::string text;
    std::string shown;
};

void PrintTo(const EscapeCase& c, std::ostream* out) {
    *out << c.name;
}

class Escaped : public testing::TestWithParam<EscapeCase> {};

TEST_P(Escaped, ShowsControlsAsEscapes) {
    EXPECT_EQ(escapeControls(GetParam().text), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Escaped,
    testing::Values(
        EscapeCase{"PlainText", "good skin.bmp", "good skin.bmp"},
        EscapeCase{"ForgedLine", "a.bmp\tok\nb.bmp", "a.bmp\\tok\\nb.bmp"},
        EscapeCase{"TerminalEscape", "\x1B[2J\r\x7F", "\\x1B[2J\\x0D\\x7F"},
        EscapeCase{"NulByte", std::string("a\0b", 3), "a\\x00b"},
        EscapeCase{"C1InUtf8",
                   "\xC2\x9B"
                   "1m",
                   "\\xC2\\x9B1m"},
        EscapeCase{"LoneC1Byte",
                   "\x9B"
                   "1m",
                   "\\x9B1m"},
        EscapeCase{"Utf8WithC1RangeContinuations", "\xE2\x80\x9Cq\xE2\x80\x9D caf\xC3\xA9",
                   "\xE2\x80\x9Cq\xE2\x80\x9D caf\xC3\xA9"},
        EscapeCase{"NoC1ByteStaysRaw", "caf\xE9", "caf\xE9"},
        EscapeCase{"WindowsPathReadsAsWritten", "parts\\boots\\cowboy.bmp",
                   "parts\\boots\\cowboy.bmp"},
        EscapeCase{"BackslashBeforeEscapeLetters", "a\\n\\t\\x41\\\\", "a\\\\n\\\\t\\\\x41\\\\\\"},
        EscapeCase{"BackslashBeforeControl", "a\\\n", "a\\\\\\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// Reads escaped text back: "\\" one backslash, "\n", "\t", "\xNN" escapes, and a backslash
// before anything else itself.
std::string readBack(const std::string& shown) {
    std::string text;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const char next = i + 1 < shown.size() ? shown[i + 1] : '\0';
        if (shown[i] != '\\' || (next != '\\' && next != 'n' && next != 't' && next != 'x')) {
            text.push_back(shown[i]);
        } else if (next == 'x') {
            text.push_back(static_cast<char>(std::stoi(shown.substr(i + 2, 2), nullptr, 16)));
            i += 3;
        } else {
            text.push_back(next == 'n' ? '\n' : next == 't' ? '\t' : '\\');
            ++i;
        }
    }
    return text;
}

// True when the text shows a control character: a C0 control or DEL, a C1 control in
// UTF-8, or a lone byte from 0x80 to 0x9F that is part of no UTF-8 sequence.
bool holdsControl(const std::string& shown) {
    for (std::size_t i = 0; i < shown.size();) {
        const auto b = static_cast<unsigned char>(shown[i]);
        const std::size_t sequence = text8::utf8SequenceLength(shown, i);
        const bool c1 =
            (sequence == 0 && b >= 0x80 && b < 0xA0) ||
            (sequence == 2 && b == 0xC2 && static_cast<unsigned char>(shown[i + 1]) < 0xA0);
        if (b < 0x20 || b == 0x7F || c1) {
            return true;
        }
        i += std::max<std::size_t>(sequence, 1);
    }
    return false;
}

// Every text of up to four pieces from those that make escaping hard reads back to itself
// and shows no control byte.
TEST(Escape, EveryShortTextReadsBackExactly) {
    const std::vector<std::string> pieces = {
        "\\", "n", "x", "4", "A", "\n", "\t", "\x1B", "\x9B", "\xC2\x9B", "\xE2\x80\x9C", "\xC2"};
    std::vector<std::string> texts = {""};
    for (int length = 0; length < 4; ++length) {
        std::vector<std::string> longer;
        for (const std::string& text : texts) {
            for (const std::string& piece : pieces) {
                longer.push_back(text + piece);
            }
        }
        for (const std::string& text : longer) {
            const std::string shown = escapeControls(text);
            ASSERT_EQ(readBack(shown), text) << testing::PrintToString(shown);
            ASSERT_FALSE(holdsControl(shown)) << testing::PrintToString(shown);
        }
        texts = std::move(longer);
    }
}

}  // namespace
}  // namespace vestura
