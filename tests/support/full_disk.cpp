#include "tests/support/full_disk.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "common/errors.h"

namespace vestura::test {

bool failsWithStreamWriteErrorOnFullDisk(const std::function<void()>& write, long limitBytes) {
    const pid_t child = fork();
    if (child < 0) {
        return false;
    }
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{static_cast<rlim_t>(limitBytes), static_cast<rlim_t>(limitBytes)};
        setrlimit(RLIMIT_FSIZE, &limit);
        try {
            write();
        } catch (const EWriteError& e) {
            _exit(e.message() == "Stream write error" ? 0 : 2);
        } catch (...) {
            _exit(3);
        }
        _exit(4);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace vestura::test
