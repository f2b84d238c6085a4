// Shared body of the fuzz targets for picture kinds that draw: load any bytes as the kind,
// and when that succeeds draw the picture onto a small canvas.
#pragma once

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdint>
#include <span>

#include "common/errors.h"

namespace vestura::fuzz {

// Fonts and the raster engine need an application object; one lives for the whole run.
inline void ensureApplication() {
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    if (QGuiApplication::instance() == nullptr) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static QGuiApplication app(argc, argv);
    }
}

template <typename Kind>
int loadAndDraw(const std::uint8_t* data, std::size_t size) {
    ensureApplication();
    Kind picture;
    try {
        picture.loadFromBytes(std::span<const std::uint8_t>(data, size));
    } catch (const Exception&) {
        return 0;
    }
    constexpr int kSide = 48;
    QImage canvas(kSide, kSide, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(0);
    QPainter painter(&canvas);
    picture.draw(painter, canvas.rect());
    return 0;
}

}  // namespace vestura::fuzz
