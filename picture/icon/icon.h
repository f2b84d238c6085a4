// TIcon: a picture from an icon file. Keeps the file's bytes and makes the icon image from
// them at load, so it measures the picked entry's size from the start.
#pragma once

#include <QImage>
#include <cstdint>
#include <vector>

#include "picture/graphic.h"
#include "picture/icon/icon_directory.h"

namespace vestura {

class TIcon final : public TGraphic {
public:
    int width() const override;
    int height() const override;
    bool empty() const override { return data_.empty(); }

    // Copies the file and checks it: shorter than 6 bytes raises EReadError "Stream read
    // error"; a type other than 0 or 1, or a damaged directory, raises EInvalidGraphic
    // "Icon image is not valid".
    void loadFromBytes(std::span<const std::uint8_t> file) override;
    [[noreturn]] void refuseOversizedFile() const override;

    // Draws the icon image scaled into `rect` with its transparency.
    void draw(QPainter& painter, const QRect& rect) override;

    // The icon image, made at load: type 0 gives the program's own icon, type 1 the
    // directory entry that suits the display best. When the entry's pixels do not decode,
    // loading raises EInvalidGraphic "Icon image is not valid" (or "Out of memory").
    const QImage& image();

private:
    std::vector<std::uint8_t> data_;
    std::uint16_t type_ = 0;
    bool made_ = false;
    QImage image_;
    int madeWidth_ = 0;
    int madeHeight_ = 0;
};

}  // namespace vestura
