// The window font and the contact link's bold font, by character height in pixels so the
// fixed layout keeps its proportions whatever the screen's resolution.
#pragma once

#include <QFont>

namespace vestura {

// "MS Sans Serif" where installed, else its metric twin "Liberation Sans"; 11 pixels.
QFont windowFont();
// The window font's family, bold, 13 pixels.
QFont linkFont();

}  // namespace vestura
