// How a failure's message is shown: the window's message box and the CLI's standard error
// both print it through this rule.
#pragma once

#include <string>

namespace vestura {

// Appends "." when the text is not empty and its last byte sorts after "." (unsigned), so
// a text ending in a letter, digit, ":" or "?" gets a period; one ending in a control
// character, space or punctuation from "!" to "." does not.
std::string withClosingPeriod(std::string text);

// The cause of a failed system call in plain words: "the folder does not exist", "no
// permission", "the disk is full", "the medium is read-only", "the name is not allowed", ...;
// empty for 0.
std::string causeOfError(int error);

// A failure on one line, as the CLI prints it: the message, then ": " and the cause when
// there is one, with the period rule applied to the whole.
std::string failureLine(const std::string& message, const std::string& cause);

}  // namespace vestura
