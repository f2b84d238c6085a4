// The program's start-up sequence, shared by main() and the start-up benchmark.
#pragma once

#include <QString>
#include <functional>
#include <string>

namespace vestura {

class DesktopServices;
class TForm1;

// What Qt is given of the command line: the program's name alone. The program reads its own
// few options itself (window_options.h); Qt may read none of its own (-style, -reverse,
// -geometry, ...).
class QtCommandLine {
public:
    QtCommandLine(int argc, char* argv[]);

    QtCommandLine(const QtCommandLine&) = delete;
    QtCommandLine& operator=(const QtCommandLine&) = delete;

    // For the QApplication, which keeps both for its whole life.
    int argc = 1;
    char* argv[2] = {nullptr, nullptr};

private:
    char noName_[8] = "vestura";
};

// The executable's folder as 8-bit text ending with the platform separator.
std::string programFolderOf(const QString& applicationDirPath);

// The running program's folder, its bytes as the system gives them (on Linux from
// /proc/self/exe, so a folder name that is not valid UTF-8 stays intact).
std::string programFolder();

// Sets the application title and records the primary screen's facts for the pictures.
// Needs the QApplication.
void prepareApplication();

// Builds the main window, runs its creation handler (a failure there is shown before the
// window appears), shows it and runs the event loop until it closes. `beforeShow`, when
// given, sees the window just before it is shown. The list files are read from
// `catalogueFolder`, by default the user's own catalogue when there is one, else the program
// folder. Every failure is shown; returns 0.
int runMainWindow(DesktopServices& services, const std::function<void(TForm1&)>& beforeShow = {},
                  const std::string& catalogueFolder = {});

}  // namespace vestura
