// The look of the window's coloured controls: selectors whose field is one flat colour
// beside the style's usual drop-down button, and a group frame that leaves its panel's
// colour untouched.
#pragma once

#include <QProxyStyle>

namespace vestura {

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

    // A group frame is an etched line: styles such as Fusion lay a translucent shade over
    // the panel inside it, which darkens the panel's colour.
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
};

}  // namespace vestura
