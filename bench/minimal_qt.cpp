// The yardstick for start-up: a minimal Qt Widgets window with 30 child widgets that ends
// after its first paint.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "bench/quit_after_first_paint.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QWidget window;
    window.setFixedSize(472, 376);
    constexpr int kEachKind = 10;
    for (int i = 0; i < kEachKind; ++i) {
        (new QLabel(QStringLiteral("Label %1").arg(i), &window))->move(8, 8 + 20 * i);
        (new QComboBox(&window))->setGeometry(120, 8 + 30 * i, 169, 21);
        (new QPushButton(QStringLiteral("Button %1").arg(i), &window))
            ->setGeometry(300, 8 + 30 * i, 81, 25);
    }
    vestura::quitAfterFirstPaint(window);
    window.show();
    return QApplication::exec();
}
