// Templates for catalogue authors: where each category's part lands on the base skin, and
// the canvas to draw a new part on.
#pragma once

#include <QImage>
#include <QRect>
#include <memory>

#include "skin/categories.h"

namespace vestura {

class TGraphic;

// The category's box in skin coordinates: its place and its size at start (a slot that
// takes its picture's size starts at its nominal box).
QRect skinBox(Category c);

// The base skin, 256 x 256, with every category's box outlined and labelled with its
// command-line name, each in its own colour (RGB32). Needs fonts (picture/fonts.h).
QImage outlinedSkin(TGraphic& baseSkin);

// The part of the base skin under the category's box, at the box's size; what lies past
// the skin's edge is the preview frame's background (RGB32).
QImage partCanvas(TGraphic& baseSkin, Category c);

}  // namespace vestura
