// Fuzz target: loads any bytes as an icon file and draws it onto a small picture.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdint>

#include "common/errors.h"
#include "picture/icon.h"

namespace {

// Fonts and the raster engine need an application object; one lives for the whole run.
void ensureApplication() {
    static int argc = 1;
    static char name[] = "fuzz_icon";
    static char* argv[] = {name, nullptr};
    if (QGuiApplication::instance() == nullptr) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static QGuiApplication app(argc, argv);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ensureApplication();
    vestura::TIcon icon;
    try {
        icon.loadFromBytes(std::span<const std::uint8_t>(data, size));
    } catch (const vestura::Exception&) {
        return 0;
    }
    constexpr int kSide = 48;
    QImage image(kSide, kSide, QImage::Format_ARGB32_Premultiplied);
    image.fill(0);
    QPainter painter(&image);
    icon.draw(painter, QRect(0, 0, kSide, kSide));
    return 0;
}
