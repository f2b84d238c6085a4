#include "picture/allocation.h"

#include "common/errors.h"
#include "common/messages.h"

namespace vestura {

void raiseOutOfMemory() {
    throw EOutOfResources(std::string(msg::kOutOfMemory));
}

QImage& requirePixels(QImage& image, QSize wanted) {
    if (image.isNull() && !wanted.isEmpty()) {
        raiseOutOfMemory();
    }
    return image;
}

QImage requirePixels(QImage&& image, QSize wanted) {
    return std::move(requirePixels(image, wanted));
}

QImage allocateImage(QSize size, QImage::Format format) {
    return requirePixels(QImage(size, format), size);
}

QImage convertedImage(const QImage& image, QImage::Format format, Qt::ImageConversionFlags flags) {
    return requirePixels(image.convertToFormat(format, flags), image.size());
}

}  // namespace vestura
