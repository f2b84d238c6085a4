// The window's fonts.
#include "app/window_fonts.h"

#include <QStringList>

#include "app/layout.h"

namespace vestura {

namespace {

QFont fontOfPixelSize(int pixelSize) {
    QFont font;
    // Qt takes the first family of the list that is installed.
    font.setFamilies({QString::fromUtf8(layout::kFontFamily.data(), layout::kFontFamily.size()),
                      QString::fromUtf8(layout::kFallbackFontFamily.data(),
                                        layout::kFallbackFontFamily.size())});
    font.setPixelSize(pixelSize);
    font.setWeight(QFont::Normal);
    font.setStyle(QFont::StyleNormal);
    return font;
}

}  // namespace

QFont windowFont() {
    return fontOfPixelSize(layout::kFontPixelSize);
}

QFont linkFont() {
    QFont font = fontOfPixelSize(layout::kLinkFontPixelSize);
    font.setBold(true);
    return font;
}

}  // namespace vestura
