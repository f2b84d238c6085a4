// The built-in pictures as the window uses them: the background stretched to the client
// area, the base skin for the preview and the program icon.
#pragma once

#include <QIcon>
#include <QImage>
#include <QSize>
#include <memory>

namespace vestura {

class TGraphic;

// The background picture stretched, without keeping proportions, to `size`.
QImage stretchedBackground(QSize size);

// The base skin picture, shared by the preview for the whole run.
std::shared_ptr<TGraphic> baseSkin();

// The program icon, read by the program's icon reader at the system icon size.
QIcon programIcon();

}  // namespace vestura
