// FieldStyle: flat selector fields, their lists, and an etched group frame over the
// application's style.
#include "app/field_style.h"

#include "app/colour_menu.h"

#include <qdrawutil.h>
#include <QGroupBox>
#include <QPainter>
#include <QStyleOptionComboBox>

namespace vestura {

void FieldStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                    QPainter* painter, const QWidget* widget) const {
    const auto* box = qstyleoption_cast<const QStyleOptionComboBox*>(option);
    if (control != CC_ComboBox || box == nullptr || box->editable) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    // Drawn as a field with a drop-down button; the field is filled here, where an editable
    // selector's line edit would paint it. Some styles leave the ring between frame and
    // field unpainted, others fill the field in another colour: it is filled before and after.
    QStyleOptionComboBox field(*box);
    field.editable = true;
    const QBrush& colour = box->palette.brush(QPalette::Base);
    painter->fillRect(box->rect.adjusted(1, 1, -1, -1), colour);
    QProxyStyle::drawComplexControl(control, &field, painter, widget);
    painter->fillRect(subControlRect(CC_ComboBox, &field, SC_ComboBoxEditField, widget), colour);
}

void FieldStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                             const QWidget* widget) const {
    const auto* box = qstyleoption_cast<const QStyleOptionComboBox*>(option);
    const QVariant colour = widget != nullptr ? widget->property(kPartColourProperty) : QVariant();
    if (element != CE_ComboBoxLabel || box == nullptr || !colour.isValid()) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    // Drawn as the entry's icon: the style leaves room for it and moves the text along.
    constexpr int kSwatchSize = 10;
    QStyleOptionComboBox label(*box);
    label.currentIcon = swatchIcon(colour.value<QColor>().rgb(), kSwatchSize);
    label.iconSize = QSize(kSwatchSize, kSwatchSize);
    QProxyStyle::drawControl(element, &label, painter, widget);
}

void FieldStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                               QPainter* painter, const QWidget* widget) const {
    if (element != PE_FrameGroupBox) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    // The line runs just under the title row at the frame's top, which holds the title
    // and, in a checkable frame, its check box. Styles differ in whether the rect they
    // pass starts at the top of the title row or halfway down it.
    constexpr int kGapUnderTitle = 2;
    constexpr int kLineWidth = 1;
    constexpr int kMidLineWidth = 0;
    int titleRow = option->fontMetrics.height();
    if (const auto* group = qobject_cast<const QGroupBox*>(widget);
        group != nullptr && group->isCheckable()) {
        titleRow = qMax(titleRow, pixelMetric(PM_IndicatorHeight, option, widget));
    }
    QRect frame = option->rect;
    frame.setTop(qMax(frame.top(), titleRow + kGapUnderTitle));
    qDrawShadeRect(painter, frame, option->palette, true, kLineWidth, kMidLineWidth);
}

int FieldStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                          QStyleHintReturn* returnData) const {
    if (hint == SH_ComboBox_Popup) {
        return 0;
    }
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

QSize SelectorEntryDelegate::sizeHint(const QStyleOptionViewItem& option,
                                      const QModelIndex& index) const {
    return {QStyledItemDelegate::sizeHint(option, index).width(), entryHeight_};
}

}  // namespace vestura
