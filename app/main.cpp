// Vestura's entry point: no command-line options, exit code 0 on every path.
#include <QApplication>

#include "app/qt_desktop_services.h"
#include "app/startup.h"

int main(int argc, char* argv[]) {
    vestura::QtCommandLine commandLine(argc, argv);
    QApplication application(commandLine.argc, commandLine.argv);
    vestura::prepareApplication();
    vestura::QtDesktopServices services;
    return vestura::runMainWindow(services);
}
