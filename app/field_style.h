// The look of the window's coloured controls: selectors whose field is one flat colour
// beside the style's usual drop-down button, and a group frame that leaves its panel's
// colour untouched.
#pragma once

#include <QProxyStyle>
#include <QStyledItemDelegate>

namespace vestura {

// The dynamic property of a selector that holds its part's colour (a QColor), when it has
// one: the field then shows a small swatch of it before its text.
inline constexpr const char* kPartColourProperty = "partColour";

// Wraps the application's style. Set on the selectors and the preview frame only; every
// other control keeps the style as it is.
class FieldStyle final : public QProxyStyle {
    Q_OBJECT

public:
    using QProxyStyle::QProxyStyle;

    // A selector that only offers a list is drawn as the style draws a field with a
    // drop-down button, its field filled flat with the palette's Base colour (styles such
    // as Fusion draw it as a shaded push button instead, in a colour derived from Button).
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget = nullptr) const override;

    // A selector whose part has a colour shows a swatch of it before the entry's text.
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;

    // A group frame is an etched line: styles such as Fusion lay a translucent shade over
    // the panel inside it, which darkens the panel's colour.
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;

    // A selector's list drops down as a plain list below the field, in the selector's own
    // palette, where styles such as Fusion would open a menu in the menu's grey instead.
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
};

// The entries of a selector's dropped-down list, each the given number of pixels high.
class SelectorEntryDelegate final : public QStyledItemDelegate {
    Q_OBJECT

public:
    SelectorEntryDelegate(int entryHeight, QObject* parent)
        : QStyledItemDelegate(parent), entryHeight_(entryHeight) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    int entryHeight_;
};

}  // namespace vestura
