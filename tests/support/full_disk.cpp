#include "tests/support/full_disk.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "common/errors.h"

namespace vestura::test {

int exitStatusOnFullDisk(const std::function<int()>& run, long limitBytes) {
    const pid_t child = fork();
    if (child < 0) {
        return -1;
    }
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{static_cast<rlim_t>(limitBytes), static_cast<rlim_t>(limitBytes)};
        setrlimit(RLIMIT_FSIZE, &limit);
        int status = 3;
        try {
            status = run();
        } catch (...) {
        }
        _exit(status);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool failsWithStreamWriteErrorOnFullDisk(const std::function<void()>& write, long limitBytes) {
    return exitStatusOnFullDisk(
               [&] {
                   try {
                       write();
                   } catch (const EWriteError& e) {
                       return e.message() == "Stream write error" ? 0 : 2;
                   }
                   return 4;
               },
               limitBytes) == 0;
}

}  // namespace vestura::test
