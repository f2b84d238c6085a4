// TJPEGImage: a JPEG picture. It keeps the file's bytes, reads the size from the headers at
// load, and decodes the pixels once, at the first draw.
#pragma once

#include <memory>

#include "common/file_io.h"
#include "picture/bmp/bitmap.h"
#include "picture/graphic.h"

namespace vestura {

class TJPEGImage final : public TGraphic {
public:
    TJPEGImage();
    ~TJPEGImage() override;

    // From the headers until the picture is decoded, from the decoded bitmap afterwards
    // (0 x 0 when the decode failed before the size was known).
    int width() const override;
    int height() const override;
    // False once the picture holds JPEG data, even 0 bytes of it.
    bool empty() const override { return !loaded_; }

    // Keeps every byte and reads the headers up to the first scan; 0 bytes are kept without
    // parsing (size 0 x 0). Raises EJPEG "JPEG error #<code>" on bad headers or a picture
    // over the size limits, leaving the picture as it was.
    void loadFromBytes(std::span<const std::uint8_t> file) override;
    [[noreturn]] void refuseOversizedFile() const override;

    // Draws the decoded bitmap scaled into `rect`, always opaque. The first draw decodes
    // (see bitmap()) and may raise EJPEG.
    void draw(QPainter& painter, const QRect& rect) override;

    // The decoded bitmap. The first call after a load decodes the data and may raise EJPEG;
    // the bitmap then keeps what was decoded, and neither decoding nor the failure repeats.
    const TBitmap& bitmap();
    bool decoded() const { return decoded_ != nullptr; }

    const Bytes& data() const { return data_; }
    bool grayscale() const { return grayscale_; }
    bool progressive() const { return progressive_; }

private:
    TBitmap& decodedBitmap();

    Bytes data_;
    bool loaded_ = false;
    int headerWidth_ = 0;
    int headerHeight_ = 0;
    bool grayscale_ = false;
    bool progressive_ = false;
    std::unique_ptr<TBitmap> decoded_;
};

}  // namespace vestura
