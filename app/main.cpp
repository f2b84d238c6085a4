// Vestura's entry point: no command-line options, exit code 0 on every path.
#include <QApplication>

#include "app/qt_desktop_services.h"
#include "app/startup.h"

int main(int argc, char* argv[]) {
    // The program takes no command-line options, and neither may Qt (-style, -reverse,
    // -geometry, ...): it is given the program's name alone.
    char noName[] = "vestura";
    int qtArgc = 1;
    char* qtArgv[] = {argc > 0 ? argv[0] : noName, nullptr};
    QApplication application(qtArgc, qtArgv);
    vestura::prepareApplication();
    vestura::QtDesktopServices services;
    return vestura::runMainWindow(services);
}
