// Starting the game: a launcher that cannot run or fails at once is reported with its first
// error line; one that works is never reported.
#include <gtest/gtest.h>

#include <QFile>
#include <QTest>
#include <optional>

#include "app/detached_process.h"
#include "game/launch.h"
#include "tests/support/temp_folder.h"

namespace vestura::test {
namespace {

std::string script(const TempFolder& folder, const std::string& name, const std::string& body) {
    writeFile(folder.file(name), "#!/bin/sh\n" + body);
    QFile::setPermissions(QString::fromStdString(folder.file(name)),
                          QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    return folder.file(name);
}

TEST(WatchedLaunch, ReportsAnEarlyFailureWithItsFirstErrorLineAndNothingElse) {
    TempFolder folder;
    struct Case {
        const char* name;
        std::string program;
        std::optional<std::string> told;  // nullopt: nothing is told
    } cases[] = {
        {"FailsAtOnce",
         script(folder, "fails", "echo >&2\necho ' boom: no display ' >&2\nexit 3\n"),
         "exit status 3: boom: no display"},
        {"Missing", folder.file("no-such-launcher"), "exit status 127: could not be run"},
        {"KilledAtOnce", script(folder, "killed", "kill -9 $$\n"), "ended by signal 9"},
        {"Works", script(folder, "works", "echo chatter >&2\nexit 0\n"), std::nullopt},
        {"Escapes", script(folder, "escapes", "printf '\\033[31mred\\033[0m\\n' >&2\nexit 2\n"),
         "exit status 2: ?[31mred?[0m"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QObject context;
        std::optional<std::string> told;
        startWatched(ProcessCommand{c.program, {}, folder.path(), {}}, &context,
                     [&](const std::string& why) { told = why; });
        // The watch ends with the launcher's end, told or not.
        EXPECT_TRUE(QTest::qWaitFor([&] { return context.children().isEmpty(); }, kLaunchWatchMs));
        EXPECT_EQ(told, c.told);
    }
}

// The watcher ending early (killed from a task list) must not end the program it watches:
// here the program kills its watcher, its parent, then goes on writing to standard error.
TEST(WatchedLaunch, TheProgramOutlivesItsWatcher) {
    TempFolder folder;
    const std::string done = folder.file("done");
    const std::string program = script(
        folder, "chatty",
        "kill -9 $PPID\nsleep 0.2\nfor i in 1 2 3 4 5 6; do echo line $i >&2; done\ntouch '" +
            done + "'\n");
    QObject context;
    startWatched(ProcessCommand{program, {}, folder.path(), {}}, &context, nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(QString::fromStdString(done)); }, 5000));
}

}  // namespace
}  // namespace vestura::test
