// vestura-cli's entry point. It needs no display: it always uses Qt's offscreen platform.
#include <QCoreApplication>
#include <QGuiApplication>
#include <iostream>

#include "cli/commands.h"
#include "common/platform.h"

namespace {

// Qt's own notes (such as the offscreen platform's remarks on the environment) are not the
// tool's output: only what Qt deems critical reaches standard error.
void keepQtQuiet(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::cerr << message.toLocal8Bit().constData() << '\n';
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    qInstallMessageHandler(keepQtQuiet);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const std::string programFolder =
        QCoreApplication::applicationDirPath().toLocal8Bit().toStdString() +
        vestura::platform::kPathSeparator;
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    return vestura::cli::run(arguments, programFolder, std::cout, std::cerr);
}
