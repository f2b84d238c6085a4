// The floor for a command that needs nothing of Qt's: a program that loads QtGui (and
// QtCore) as vestura-cli does, touches it, and exits without building any application.
#include <QColor>

int main() { return QColor(Qt::black).alpha() == 255 ? 0 : 1; }
