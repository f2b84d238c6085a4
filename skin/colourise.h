// Colouring a part: every pixel keeps its own lightness and takes the hue and saturation of
// one chosen colour, so the part keeps its shading, folds and highlights in the new colour.
#pragma once

#include <QImage>
#include <array>
#include <optional>

#include "skin/categories.h"

namespace vestura {

// A part's colour, when it has one; one per category.
using PartColours = std::array<std::optional<QRgb>, kCategoryCount>;

// The pixel (straight alpha) coloured: its HSL lightness, (max + min) / 2 of its channels,
// kept; `colour`'s hue and saturation taken; its alpha kept.
QRgb colourisedPixel(QRgb pixel, QRgb colour);

// Colours every pixel of `image` in place as colourisedPixel does. The image is
// ARGB32_Premultiplied; a fully transparent pixel stays transparent, and a partly
// transparent one keeps its alpha.
void colourise(QImage& image, QRgb colour);

}  // namespace vestura
