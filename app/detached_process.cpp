#include "app/detached_process.h"

#include <QObject>
#include <QTimer>

#include "game/launch.h"

#ifdef _WIN32
#include <QProcess>
#else
#include <QSocketNotifier>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

extern char** environ;
#endif

namespace vestura {

#ifdef _WIN32

// Windows reports a program that cannot start through the shell; nothing is watched.
void startWatched(const ProcessCommand& command, QObject*, EarlyFailure) {
    const auto text = [](const std::string& s) { return QString::fromLocal8Bit(s); };
    QProcess process;
    process.setProgram(text(command.program));
    QStringList arguments;
    for (const std::string& argument : command.arguments) {
        arguments.append(text(argument));
    }
    process.setArguments(arguments);
    process.setWorkingDirectory(text(command.workingFolder));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : command.environment) {
        environment.insert(text(name), text(value));
    }
    process.setProcessEnvironment(environment);
    process.startDetached();
}

#else

namespace {

constexpr std::size_t kKeptErrorBytes = 1024;  // the start of the program's standard error
constexpr int kPollMs = 100;

// The inherited environment with the command's variables set, replacing any of the same
// name.
std::vector<std::string> environmentOf(const ProcessCommand& command) {
    std::vector<std::string> entries;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string_view current = *entry;
        bool replaced = false;
        for (const auto& [name, value] : command.environment) {
            replaced =
                replaced || (current.size() > name.size() &&
                             current.substr(0, name.size()) == name && current[name.size()] == '=');
        }
        if (!replaced) {
            entries.emplace_back(current);
        }
    }
    for (const auto& [name, value] : command.environment) {
        entries.push_back(name + "=" + value);
    }
    return entries;
}

std::vector<char*> pointersTo(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& s : strings) {
        pointers.push_back(s.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

long long millisecondsNow() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

void writeAll(int fd, const char* bytes, std::size_t count) {
    while (count > 0) {
        const ssize_t n = ::write(fd, bytes, count);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return;
        }
        bytes += n;
        count -= static_cast<std::size_t>(n);
    }
}

// Writes a small number in decimal, without the C library's formatting.
void writeNumber(int fd, int number) {
    char digits[16];
    int at = sizeof digits;
    unsigned value =
        number < 0 ? 0U - static_cast<unsigned>(number) : static_cast<unsigned>(number);
    do {
        digits[--at] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0 && at > 1);
    if (number < 0) {
        digits[--at] = '-';
    }
    writeAll(fd, digits + at, sizeof digits - static_cast<std::size_t>(at));
}

// The watcher, in a child of a multi-threaded program: only async-signal-safe calls. It reads
// the program's standard error until every holder has closed it, keeping its first bytes; when
// the program ends with a failure within the watch time it writes "STATUS\n" and those bytes
// to `report` (a status 127 with "could not be run" when exec failed).
[[noreturn]] void watch(pid_t program, int errors, int report) {
    ::signal(SIGPIPE, SIG_IGN);  // a closed report pipe must not end the watcher
    const long long started = millisecondsNow();
    char kept[kKeptErrorBytes];
    std::size_t keptBytes = 0;
    bool running = true;
    bool open = true;
    while (open || running) {
        if (open) {
            pollfd ready{errors, POLLIN, 0};
            if (::poll(&ready, 1, kPollMs) > 0) {
                char buffer[4096];
                const ssize_t n = ::read(errors, buffer, sizeof buffer);
                if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) {
                    open = false;
                } else if (n > 0) {
                    const std::size_t take = std::min(kKeptErrorBytes - keptBytes, std::size_t(n));
                    std::memcpy(kept + keptBytes, buffer, take);
                    keptBytes += take;
                }
            }
        } else {
            ::poll(nullptr, 0, kPollMs);
        }
        int status = 0;
        if (running && ::waitpid(program, &status, WNOHANG) == program) {
            running = false;
            const bool failed = !WIFEXITED(status) || WEXITSTATUS(status) != 0;
            if (failed && millisecondsNow() - started < kLaunchWatchMs) {
                writeNumber(report, WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status));
                writeAll(report, "\n", 1);
                writeAll(report, kept, keptBytes);
            }
            ::close(report);
        }
    }
    ::_exit(0);
}

// A line of the program's own output as a message can show it: control characters (colour
// escapes) as "?", and no longer than a box is wide.
std::string shownLine(std::string line) {
    constexpr std::size_t kShownBytes = 160;
    for (char& c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            c = '?';
        }
    }
    if (line.size() > kShownBytes) {
        line.resize(kShownBytes);
        line += "...";
    }
    return line;
}

// Turns the watcher's report into one line: "exit status 1: <first line of its errors>".
std::string failureLine(const std::string& report) {
    const std::size_t end = report.find('\n');
    const int status = std::atoi(report.substr(0, end).c_str());
    std::string why = status < 0 ? "ended by signal " + std::to_string(-status)
                                 : "exit status " + std::to_string(status);
    if (end == std::string::npos) {
        return why;
    }
    std::size_t from = end + 1;
    while (from < report.size()) {
        std::size_t to = report.find('\n', from);
        if (to == std::string::npos) {
            to = report.size();
        }
        std::string line = report.substr(from, to - from);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
            line.pop_back();
        }
        line.erase(0, line.find_first_not_of(' '));
        if (!line.empty()) {
            return why + ": " + shownLine(line);
        }
        from = to + 1;
    }
    return why;
}

// Reads the watcher's report on the GUI thread, until it arrives, the watcher closes it, or
// the watch time is over.
class ReportReader final : public QObject {
public:
    ReportReader(int fd, QObject* context, EarlyFailure onFailure)
        : QObject(context),
          fd_(fd),
          onFailure_(std::move(onFailure)),
          notifier_(fd, QSocketNotifier::Read, this) {
        connect(&notifier_, &QSocketNotifier::activated, this, &ReportReader::readSome);
        QTimer::singleShot(kLaunchWatchMs + 1000, this, [this] { finish(); });
    }
    ~ReportReader() override { ::close(fd_); }

private:
    void readSome() {
        char buffer[4096];
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n > 0) {
            report_.append(buffer, static_cast<std::size_t>(n));
            if (report_.size() < 2 * kKeptErrorBytes) {
                return;
            }
        } else if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
            return;
        }
        finish();
    }

    void finish() {
        notifier_.setEnabled(false);
        if (!report_.empty()) {
            const EarlyFailure told = std::move(onFailure_);
            const std::string why = failureLine(report_);
            deleteLater();
            if (told) {
                told(why);
            }
            return;
        }
        deleteLater();
    }

    int fd_;
    EarlyFailure onFailure_;
    std::string report_;
    QSocketNotifier notifier_;
};

}  // namespace

// Everything is prepared before fork: the children only call async-signal-safe functions.
// The first child starts the watcher and leaves, so neither the watcher nor the program is
// ever a zombie of ours.
void startWatched(const ProcessCommand& command, QObject* context, EarlyFailure onFailure) {
    std::vector<std::string> argumentStrings{command.program};
    argumentStrings.insert(argumentStrings.end(), command.arguments.begin(),
                           command.arguments.end());
    std::vector<std::string> environmentStrings = environmentOf(command);
    const std::vector<char*> arguments = pointersTo(argumentStrings);
    const std::vector<char*> environment = pointersTo(environmentStrings);
    const char* folder = command.workingFolder.c_str();
    static constexpr char kNotRun[] = "could not be run\n";
    static constexpr char kWatcherName[] = "vestura-watch";

    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        return;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(report[0]);
        if (::fork() != 0) {
            ::_exit(0);
        }
        ::setsid();
        int readErrors[2] = {-1, -1};
        if (::pipe2(readErrors, O_CLOEXEC) != 0) {
            ::_exit(1);
        }
        const pid_t program = ::fork();
        if (program == 0) {
            ::close(report[1]);
            ::dup2(readErrors[1], STDERR_FILENO);  // dup2 clears close-on-exec
            // Should the watcher be gone (killed from a task list), a write to the closed
            // pipe must fail, not end the game.
            ::signal(SIGPIPE, SIG_IGN);
            if (*folder == '\0' || ::chdir(folder) == 0) {
                ::execvpe(arguments[0], arguments.data(), environment.data());
            }
            writeAll(STDERR_FILENO, kNotRun, sizeof kNotRun - 1);
            ::_exit(127);
        }
        ::close(readErrors[1]);
        if (program < 0) {
            ::_exit(1);
        }
#ifdef __linux__
        ::prctl(PR_SET_NAME, kWatcherName);  // what a task list shows
#endif
        watch(program, readErrors[0], report[1]);
    }
    ::close(report[1]);
    if (child < 0) {
        ::close(report[0]);
        return;
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    ::fcntl(report[0], F_SETFL, O_NONBLOCK);
    new ReportReader(report[0], context, std::move(onFailure));
}

#endif

}  // namespace vestura
