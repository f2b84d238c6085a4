// The preview inside the "Preview" frame: one widget that paints the base skin and the
// seven part slots through Preview::compose, with a named, empty child per layer ("Image1",
// "e", "p", ...) that mirrors the layer's box and visibility.
#pragma once

#include <QWidget>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "skin/categories.h"

namespace vestura {

class Preview;

class PreviewWidget final : public QWidget {
    Q_OBJECT

public:
    // Called, after the paint event has returned, with each message of a picture that
    // failed while being drawn.
    using FailureSink = std::function<void(const std::string&)>;

    PreviewWidget(Preview& preview, FailureSink onFailure, QWidget* parent);

    // Brings the layer children in line with the preview's slots and repaints.
    void refresh();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* makeLayer(const char* name);
    void reportLater(std::vector<std::string> failures);

    Preview& preview_;
    FailureSink onFailure_;
    QWidget* image1_;
    std::array<QWidget*, kCategoryCount> slots_{};
};

}  // namespace vestura
