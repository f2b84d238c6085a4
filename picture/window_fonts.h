// The window font and the contact link's bold font, by character height in pixels so the
// fixed layout keeps its proportions whatever the screen's resolution. They live below the
// window so that pictures drawn without it (the catalogue sheet) letter as the window does.
#pragma once

#include <QFont>
#include <string_view>

namespace vestura {

inline constexpr std::string_view kWindowFontFamily = "MS Sans Serif";
inline constexpr std::string_view kWindowFallbackFontFamily = "Liberation Sans";  // metric twin
inline constexpr int kWindowFontPixelSize = 11;
inline constexpr int kLinkFontPixelSize = 13;

// "MS Sans Serif" where installed, else "Liberation Sans"; `pixelSize` pixels, by default
// the window's 11.
QFont windowFont(int pixelSize = kWindowFontPixelSize);
// The window font's family, bold, 13 pixels.
QFont linkFont();

}  // namespace vestura
