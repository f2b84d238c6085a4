// Ends the event loop once a window has been painted for the first time.
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace vestura {

// Watches every widget of `window`: an opaque child covering the client area is painted
// in place of the window itself.
inline void quitAfterFirstPaint(QWidget& window) {
    struct Watcher : QObject {
        explicit Watcher(QWidget& w) : QObject(QCoreApplication::instance()), window(w) {}
        bool eventFilter(QObject* watched, QEvent* event) override {
            const auto* widget = qobject_cast<QWidget*>(watched);
            if (!quitting && event->type() == QEvent::Paint && widget != nullptr &&
                widget->window() == &window) {
                quitting = true;
                // Queued, so the rest of the window paints and is flushed first.
                QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
            }
            return false;
        }
        QWidget& window;
        bool quitting = false;
    };
    QCoreApplication::instance()->installEventFilter(new Watcher(window));
}

}  // namespace vestura
