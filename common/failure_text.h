// How a failure's message is shown: the window's message box and the CLI's standard error
// both print it through this rule.
#pragma once

#include <string>

namespace vestura {

// Appends "." when the text is not empty and its last byte sorts after "." (unsigned), so
// a text ending in a letter, digit, ":" or "?" gets a period; one ending in a control
// character, space or punctuation from "!" to "." does not.
std::string withClosingPeriod(std::string text);

}  // namespace vestura
