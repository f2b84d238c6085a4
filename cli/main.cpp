// vestura-cli's entry point. It parses its command line before anything of Qt's starts and
// builds the GUI application (offscreen platform, fonts) only when a picture draws text:
// every other picture draws into a QImage without one. It never needs a display.
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

#include "cli/commands.h"
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

int main(int argc, char* argv[]) {
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
