// The window's fonts.
#include "picture/window_fonts.h"

#include <QStringList>

namespace vestura {

QFont windowFont(int pixelSize) {
    QFont font;
    // Qt takes the first family of the list that is installed.
    font.setFamilies(
        {QString::fromUtf8(kWindowFontFamily.data(), kWindowFontFamily.size()),
         QString::fromUtf8(kWindowFallbackFontFamily.data(), kWindowFallbackFontFamily.size())});
    font.setPixelSize(pixelSize);
    font.setWeight(QFont::Normal);
    font.setStyle(QFont::StyleNormal);
    return font;
}

QFont linkFont() {
    QFont font = windowFont(kLinkFontPixelSize);
    font.setBold(true);
    return font;
}

}  // namespace vestura
