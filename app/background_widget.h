// Image2: the background picture behind every other control, filling the client area.
#pragma once

#include <QImage>
#include <QWidget>

namespace vestura {

class BackgroundWidget final : public QWidget {
    Q_OBJECT

public:
    BackgroundWidget(QImage picture, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage picture_;  // already stretched to the widget's size
};

}  // namespace vestura
