// 8-bit text as the program keeps it: bytes, exactly as read from files and the system.
// Shown to the user as UTF-8 when the bytes are valid UTF-8, else as Windows-1252, the
// code page that catalogues and folders made on Windows are written in.
#pragma once

#include <string>
#include <string_view>

namespace vestura::text8 {

bool isValidUtf8(std::string_view bytes);

// The length of the UTF-8 sequence that starts at `bytes[at]` (1 for ASCII), or 0 when no
// valid one starts there.
std::size_t utf8SequenceLength(std::string_view bytes, std::size_t at);

// The text the bytes stand for, as UTF-8: unchanged when they are valid UTF-8, else each
// byte decoded as Windows-1252 (its five unassigned bytes as the C1 controls they sit on).
std::string decoded(std::string_view bytes);

// UTF-8 text in the encoding of the current locale (LC_CTYPE) and back. A character the
// locale cannot hold becomes "?"; in a UTF-8 locale both are the identity.
std::string toLocale(std::string_view utf8);
std::string fromLocale(std::string_view text);

// True when the two are the same but for the letter case of ASCII letters, as Windows
// compares file names; other bytes must be equal.
bool equalsIgnoringCase(std::string_view a, std::string_view b);

}  // namespace vestura::text8
