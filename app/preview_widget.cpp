// The preview widget: paints through the shared composition routine, reports decode
// failures once the paint event is over.
#include "app/preview_widget.h"

#include <QMetaObject>
#include <QPainter>

#include "skin/preview.h"

namespace vestura {

PreviewWidget::PreviewWidget(Preview& preview, FailureSink onFailure, QWidget* parent)
    : QWidget(parent), preview_(preview), onFailure_(std::move(onFailure)) {
    setObjectName(QStringLiteral("Preview"));
    setGeometry(0, 0, kFrameWidth, kFrameHeight);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);

    image1_ = makeLayer("Image1");
    image1_->setGeometry(kBaseSkinX, kBaseSkinY, kSkinSize, kSkinSize);
    // Children are stacked in creation order; the slots follow their stacking number.
    std::array<const CategoryInfo*, kCategoryCount> byStacking{};
    for (const CategoryInfo& category : kCategories) {
        byStacking[static_cast<std::size_t>(category.stacking - 2)] = &category;
    }
    for (const CategoryInfo* category : byStacking) {
        slots_[static_cast<std::size_t>(category->category)] =
            makeLayer(std::string(category->slot).c_str());
    }
    refresh();
}

QWidget* PreviewWidget::makeLayer(const char* name) {
    // Layers hold nothing and draw nothing: the parent paints all of them in one pass.
    auto* layer = new QWidget(this);
    layer->setObjectName(QString::fromLatin1(name));
    layer->setAttribute(Qt::WA_TransparentForMouseEvents);
    layer->setFocusPolicy(Qt::NoFocus);
    return layer;
}

void PreviewWidget::refresh() {
    for (const CategoryInfo& category : kCategories) {
        const PreviewSlot& slot = preview_.slot(category.category);
        QWidget* layer = slots_[static_cast<std::size_t>(category.category)];
        layer->setGeometry(slot.box);
        layer->setVisible(slot.visible);
    }
    update();
}

void PreviewWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    std::vector<std::string> failures = preview_.compose(painter);
    if (!failures.empty()) {
        reportLater(std::move(failures));
    }
}

void PreviewWidget::reportLater(std::vector<std::string> failures) {
    // A message box inside the paint event would nest the event loop in the middle of
    // painting; the report runs as soon as this event has returned.
    QMetaObject::invokeMethod(
        this,
        [this, failures = std::move(failures)] {
            for (const std::string& message : failures) {
                onFailure_(message);
            }
        },
        Qt::QueuedConnection);
}

}  // namespace vestura
