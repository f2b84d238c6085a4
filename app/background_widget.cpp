// Image2's painting: one copy of the pre-stretched background.
#include "app/background_widget.h"

#include <QPaintEvent>
#include <QPainter>

namespace vestura {

BackgroundWidget::BackgroundWidget(QImage picture, QWidget* parent)
    : QWidget(parent), picture_(std::move(picture)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    resize(picture_.size());
}

void BackgroundWidget::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.drawImage(event->rect(), picture_, event->rect());
}

}  // namespace vestura
