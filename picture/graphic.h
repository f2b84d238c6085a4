// TGraphic: the common base of the four picture kinds (TBitmap, TJPEGImage, TIcon,
// TMetafile). A picture is created empty, filled once from a whole file's bytes, and then
// keeps everything it needs: nothing reads the file again.
#pragma once

#include <cstdint>
#include <span>

#include "picture/limits.h"

class QPainter;
class QRect;

namespace vestura {

class TGraphic {
public:
    virtual ~TGraphic() = default;
    TGraphic() = default;
    TGraphic(const TGraphic&) = delete;
    TGraphic& operator=(const TGraphic&) = delete;

    virtual int width() const = 0;
    virtual int height() const = 0;
    virtual bool empty() const = 0;

    // Fills the picture from every byte of a file. Raises the kind's own failure on bad
    // data; the loader then discards the picture.
    virtual void loadFromBytes(std::span<const std::uint8_t> file) = 0;

    // Raises the kind's own failure for a file too large to hold any picture the limits
    // admit; the loader calls it instead of reading such a file.
    [[noreturn]] virtual void refuseOversizedFile() const = 0;
    // The largest file of this kind the loader reads.
    virtual std::int64_t maxFileBytes() const { return limits::kMaxFileBytes; }

    // Draws the picture scaled into `rect`. A JPEG's first draw decodes it and may raise
    // EJPEG; what was decoded is drawn then and on every later draw.
    virtual void draw(QPainter& painter, const QRect& rect) = 0;

    // Set by the owner. A bitmap then leaves undrawn every pixel whose colour equals its
    // bottom-left pixel's; a JPEG ignores it; icons and metafiles are always see-through
    // where they paint nothing.
    bool transparent() const { return transparent_; }
    void setTransparent(bool on) { transparent_ = on; }

private:
    bool transparent_ = false;
};

}  // namespace vestura
