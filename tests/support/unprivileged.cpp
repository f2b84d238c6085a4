#include "tests/support/unprivileged.h"

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vestura::test {

namespace {

constexpr int kNotRun = -1;

// setgid before setuid: once the user id is dropped the group can no longer change.
bool dropRoot() {
    if (geteuid() != 0) {
        return true;
    }
    return ::setgroups(0, nullptr) == 0 && ::setgid(kUnprivilegedId) == 0 &&
           ::setuid(kUnprivilegedId) == 0 && geteuid() == kUnprivilegedId;
}

}  // namespace

int runUnprivileged(const std::function<int()>& body) {
    const pid_t child = fork();
    if (child < 0) {
        return kNotRun;
    }
    if (child == 0) {
        if (!dropRoot()) {
            _exit(125);
        }
        int status = 126;
        try {
            status = body();
        } catch (...) {
        }
        _exit(status);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) == 125) {
        return kNotRun;
    }
    return WEXITSTATUS(status);
}

void giveToUnprivileged(const std::string& path) {
    if (geteuid() == 0) {
        [[maybe_unused]] const int ignored =
            ::chown(path.c_str(), kUnprivilegedId, kUnprivilegedId);
    }
}

void openToUnprivileged(const std::string& folder) {
    ::chmod(folder.c_str(), 0755);
}

}  // namespace vestura::test
