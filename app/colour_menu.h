// The swatch menu that gives a part its colour: a dozen colours, "Other..." and "No colour".
// A part keeps its own lightness and takes a colour's hue and saturation, so each swatch
// stands for a hue and saturation, shown at a lightness that reads as that colour.
#pragma once

#include <QIcon>
#include <QRgb>
#include <array>
#include <functional>
#include <optional>

class QMenu;
class QWidget;

namespace vestura {

struct Swatch {
    const char* name;
    QRgb colour;
};

inline constexpr std::array<Swatch, 12> kSwatches{{
    {"Red", 0xFFE61919},
    {"Orange", 0xFFF2780D},
    {"Yellow", 0xFFF2D40D},
    {"Olive", 0xFF859438},
    {"Green", 0xFF30A63A},
    {"Teal", 0xFF22A095},
    {"Sky blue", 0xFF30ABE8},
    {"Blue", 0xFF2059DF},
    {"Purple", 0xFF8C33CC},
    {"Pink", 0xFFE64C99},
    {"Brown", 0xFF815331},
    {"Grey", 0xFF808080},
}};

inline constexpr const char* kOtherColourText = "Other...";
inline constexpr const char* kNoColourText = "No colour";

// A square of the colour with a thin dark edge, `size` pixels a side.
QIcon swatchIcon(QRgb colour, int size);

// A menu, deleted when it closes, of the swatches (the current colour checked, a colour no
// swatch has shown as an extra checked entry), "Other..." and "No colour" (disabled when
// there is none), under `note` when there is one. `choose` gets the colour picked, or nullopt
// for "No colour"; `other` runs for "Other...".
QMenu* makeColourMenu(QWidget* parent, const QString& title, const QString& note,
                      std::optional<QRgb> current, std::function<void(std::optional<QRgb>)> choose,
                      std::function<void()> other);

}  // namespace vestura
