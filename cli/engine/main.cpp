// The part of vestura-cli that links Qt: the front end loads it for every command that
// reads or writes a picture. It builds the GUI application (offscreen platform, fonts) only
// when a picture draws text: every other picture draws into a QImage without one. It never
// needs a display.
#include <QGuiApplication>
#include <iostream>
#include <memory>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define STDERR_FILENO 2
#else
#include <unistd.h>
#endif
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "cli/commands.h"
#include "cli/engine/entry.h"
#include "common/file_io.h"
#include "common/platform.h"
#include "picture/fonts.h"

namespace {

// Qt's own notes (such as the offscreen platform's remarks on the environment) are not the
// tool's output: only what Qt deems critical reaches standard error.
void keepQtQuiet(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::cerr << message.toLocal8Bit().constData() << '\n';
    }
}

// QGuiApplication keeps references to the argument count and vector: both live here, as
// long as the application does.
int argumentCount = 0;
char** argumentVector = nullptr;
std::unique_ptr<QGuiApplication> application;

void startGuiApplication() {
    if (QCoreApplication::instance() == nullptr) {
        application = std::make_unique<QGuiApplication>(argumentCount, argumentVector);
    }
}

}  // namespace

extern "C" int vestura_cli_main(int argc, char* argv[]) {
#ifdef __GLIBC__
    // A batch allocates and frees the same few skin-sized buffers for every skin. Kept in the
    // heap, rather than mapped and unmapped or trimmed and grown again each time, they are
    // reused without page faults.
    mallopt(M_MMAP_THRESHOLD, 4 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
#endif
    qInstallMessageHandler(keepQtQuiet);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    argumentCount = argc;
    argumentVector = argv;
    vestura::setFontsProvider(startGuiApplication);
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    vestura::removePendingFilesOnSignal();
    const int status = vestura::cli::run(arguments, vestura::platform::executableFolder(),
                                         std::cout, std::cerr, isatty(STDERR_FILENO) == 1);
    application.reset();
    return status;
}
