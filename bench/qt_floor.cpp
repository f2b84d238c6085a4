// The floor for any Qt-linked command-line tool: start QtGui on the offscreen platform, as
// vestura-cli does, and exit.
#include <QGuiApplication>

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    return 0;
}
