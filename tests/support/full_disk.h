// A full disk, made real without root: a child process may not write files past a size
// limit, and with SIGXFSZ ignored its writes come back short instead of killing it.
#pragma once

#include <functional>

namespace vestura::test {

// Runs `run` in such a child and returns the status it returned (3 when it raised, -1 when
// the child did not exit normally).
int exitStatusOnFullDisk(const std::function<int()>& run, long limitBytes);

// Runs `write` in such a child. True when it failed there with EWriteError
// "Stream write error" (anything else, including success, is false).
bool failsWithStreamWriteErrorOnFullDisk(const std::function<void()>& write, long limitBytes);

}  // namespace vestura::test
