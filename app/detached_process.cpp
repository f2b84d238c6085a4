#include "app/detached_process.h"

#include "game/launch.h"

#ifdef _WIN32
#include <QProcess>
#else
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

extern char** environ;
#endif

namespace vestura {

#ifdef _WIN32

void startDetached(const ProcessCommand& command) {
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

}  // namespace

// Everything is prepared before fork: the child only changes folder and executes. The
// grandchild runs the program, so the program is never left a zombie of ours.
void startDetached(const ProcessCommand& command) {
    std::vector<std::string> argumentStrings{command.program};
    argumentStrings.insert(argumentStrings.end(), command.arguments.begin(),
                           command.arguments.end());
    std::vector<std::string> environmentStrings = environmentOf(command);
    const std::vector<char*> arguments = pointersTo(argumentStrings);
    const std::vector<char*> environment = pointersTo(environmentStrings);
    const char* folder = command.workingFolder.c_str();

    const pid_t child = ::fork();
    if (child < 0) {
        return;
    }
    if (child == 0) {
        if (::fork() == 0) {
            ::setsid();
            if (*folder == '\0' || ::chdir(folder) == 0) {
                ::execvpe(arguments[0], arguments.data(), environment.data());
            }
            ::_exit(127);
        }
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
}

#endif

}  // namespace vestura
