// vestura-cli's entry point. It needs no display: it always uses Qt's offscreen platform.
#include <QCoreApplication>
#include <QGuiApplication>
#include <iostream>

#include "cli/commands.h"
#include "common/platform.h"

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const std::string programFolder =
        QCoreApplication::applicationDirPath().toLocal8Bit().toStdString() +
        vestura::platform::kPathSeparator;
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    return vestura::cli::run(arguments, programFolder, std::cout, std::cerr);
}
