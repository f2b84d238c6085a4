#include "common/escape.h"

#include <algorithm>

#include "common/text8.h"

namespace vestura {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr unsigned char kDelete = 0x7F;
constexpr unsigned char kFirstC1 = 0x80;
constexpr unsigned char kLastC1 = 0x9F;
constexpr unsigned char kC1Lead = 0xC2;  // the UTF-8 lead byte of U+0080 to U+00BF

bool isC0OrDelete(unsigned char b) {
    return b < 0x20 || b == kDelete;
}

bool isC1(unsigned char b) {
    return b >= kFirstC1 && b <= kLastC1;
}

// How many bytes from `at` on are shown escaped: a C0 control or DEL (1), a C1 control in
// UTF-8 (2), a lone byte from 0x80 to 0x9F that starts no UTF-8 sequence (1), or none.
std::size_t escapedLength(std::string_view text, std::size_t at) {
    const auto b = static_cast<unsigned char>(text[at]);
    if (isC0OrDelete(b)) {
        return 1;
    }
    const std::size_t sequence = text8::utf8SequenceLength(text, at);
    if (sequence == 2 && b == kC1Lead && isC1(static_cast<unsigned char>(text[at + 1]))) {
        return 2;
    }
    return sequence == 0 && isC1(b) ? 1 : 0;
}

void appendEscape(std::string& out, unsigned char b) {
    if (b == '\n') {
        out += "\\n";
    } else if (b == '\t') {
        out += "\\t";
    } else {
        out += "\\x";
        out.push_back(kHexDigits[b >> 4]);
        out.push_back(kHexDigits[b & 0xF]);
    }
}

// True when a backslash shown just before `text[at]` would read as part of an escape.
bool needsDoubling(std::string_view text, std::size_t at) {
    if (at >= text.size()) {
        return false;
    }
    const char next = text[at];
    return next == '\\' || next == 'n' || next == 't' || next == 'x' || escapedLength(text, at) > 0;
}

}  // namespace

std::string escapeControls(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        if (const std::size_t escaped = escapedLength(text, i); escaped > 0) {
            for (std::size_t k = 0; k < escaped; ++k) {
                appendEscape(out, static_cast<unsigned char>(text[i + k]));
            }
            i += escaped;
            continue;
        }
        if (text[i] == '\\' && needsDoubling(text, i + 1)) {
            out.push_back('\\');
        }
        // A whole UTF-8 sequence at once: its continuation bytes are no lone bytes.
        const std::size_t sequence = std::max<std::size_t>(1, text8::utf8SequenceLength(text, i));
        out.append(text.substr(i, sequence));
        i += sequence;
    }
    return out;
}

}  // namespace vestura
