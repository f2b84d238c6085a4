// Drawing text needs Qt's font database, which exists only once a GUI application does.
// The window has one from the start; vestura-cli makes its own only when a picture first
// draws text, so every other picture draws into a QImage without a platform plugin or fonts.
#pragma once

namespace vestura {

// Sets what makes fonts available (once, before the first picture draws); nullptr: nothing
// to do, fonts are always there.
void setFontsProvider(void (*provide)());

// Called by every text drawing before it touches a font.
void requireFonts();

}  // namespace vestura
