// The program's real start-up, ended right after the main window's first paint: what
// bench/startup.sh times against a minimal Qt Widgets program.
#include <QApplication>
#include <QTimer>

#include "app/form1.h"
#include "app/qt_desktop_services.h"
#include "app/startup.h"
#include "bench/quit_after_first_paint.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    vestura::prepareApplication();
    vestura::QtDesktopServices services;
    return vestura::runMainWindow(
        services, [](vestura::TForm1& form) { vestura::quitAfterFirstPaint(form); });
}
