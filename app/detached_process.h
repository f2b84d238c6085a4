// Starting a program as an independent process, with its program name, arguments,
// working folder and environment passed as the bytes they are: a folder whose name is
// not valid UTF-8 still works as the working folder.
#pragma once

namespace vestura {

struct ProcessCommand;

// Starts the command and returns at once; the outcome is not reported.
void startDetached(const ProcessCommand& command);

}  // namespace vestura
