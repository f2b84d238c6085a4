// TJPEGImage: the JPEG data, its header facts, and the bitmap decoded at first draw.
#include "picture/jpeg/jpeg_image.h"

#include "picture/jpeg/jpeg_decoder.h"
#include "picture/jpeg/jpeg_decompressor.h"

namespace vestura {

TJPEGImage::TJPEGImage() = default;
TJPEGImage::~TJPEGImage() = default;

int TJPEGImage::width() const {
    return decoded_ ? decoded_->width() : headerWidth_;
}
int TJPEGImage::height() const {
    return decoded_ ? decoded_->height() : headerHeight_;
}

void TJPEGImage::loadFromBytes(std::span<const std::uint8_t> file) {
    const jpeg::Header header = file.empty() ? jpeg::Header{} : jpeg::readHeader(file);
    data_.assign(file.begin(), file.end());
    loaded_ = true;
    decoded_.reset();
    headerWidth_ = header.width;
    headerHeight_ = header.height;
    grayscale_ = header.grayscale;
    progressive_ = header.progressive;
}

void TJPEGImage::refuseOversizedFile() const {
    jpeg::Decompressor::raise(JERR_IMAGE_TOO_BIG);
}

const TBitmap& TJPEGImage::bitmap() {
    return decodedBitmap();
}

TBitmap& TJPEGImage::decodedBitmap() {
    if (!decoded_) {
        // Held before decoding, so a failed decode is not retried at the next draw.
        decoded_ = std::make_unique<TBitmap>();
        jpeg::decode(data_, *decoded_);
    }
    return *decoded_;
}

void TJPEGImage::draw(QPainter& painter, const QRect& rect) {
    // The decoded bitmap's own transparent flag stays off: a JPEG draws opaque.
    decodedBitmap().draw(painter, rect);
}

}  // namespace vestura
