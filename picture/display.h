// What the pictures need to know about the screen, read once at start-up. Libraries and
// tests that run without a screen use the defaults: a true-colour display at 96 dpi.
#pragma once

namespace vestura {

struct DisplayInfo {
    int bitsPerPixel = 24;   // colour depth times planes
    int logicalDpiY = 96;    // logical pixels per inch, vertical
    int iconSize = 32;       // the system icon size, square
};

const DisplayInfo& display();
void setDisplay(const DisplayInfo& info);

}  // namespace vestura
