// Names and texts as they are printed one per line: a name may hold any byte but "/", so
// without escapes it could end its line early, forge another line or drive the terminal.
#pragma once

#include <string>
#include <string_view>

namespace vestura {

// `text` with every control character shown as an escape: a line feed as \n, a tab as \t,
// and each byte of any other (U+0000 to U+001F, U+007F, and the C1 controls U+0080 to
// U+009F, in UTF-8 or as lone bytes that are no UTF-8) as \xNN in upper-case hex. Everything
// else, invalid UTF-8 from 0xA0 on included, stays as it is.
//
// A backslash stays single unless what is shown after it would then read as an escape: it
// is doubled before another backslash, "n", "t", "x" or an escaped character. So a Windows
// path such as "parts\boots\cowboy.bmp" reads as written, and the output is unambiguous:
// "\\" is one backslash, "\n", "\t" and "\xNN" are escapes, and a backslash before anything
// else is itself.
std::string escapeControls(std::string_view text);

}  // namespace vestura
