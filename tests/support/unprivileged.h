// Runs a piece of a test as an ordinary user. Permission checks do not apply to root, and
// CI runs as root: the piece then runs in a child process that has dropped to the unused
// "nobody" account. Run by anyone else, the child keeps the user it has.
#pragma once

#include <functional>
#include <string>

namespace vestura::test {

// The account the child drops to when started by root.
inline constexpr unsigned kUnprivilegedId = 65534;

// Runs `body` in a child process as an ordinary user and returns its exit status (the
// value `body` returned), or -1 when the child could not start, drop its rights or
// finish normally. `body` must not use gtest assertions: the parent reports.
int runUnprivileged(const std::function<int()>& body);

// Makes `path` belong to the account the child runs as, so that it may write there
// whatever the folder allows; nothing when not run by root.
void giveToUnprivileged(const std::string& path);

// Lets the child reach and read `folder` (mode 0755), which a temporary folder of root's
// does not allow.
void openToUnprivileged(const std::string& folder);

}  // namespace vestura::test
