// Writing a picture as a PNG file's bytes: the 3D view's pictures and the authoring
// template.
#pragma once

#include <QImage>

#include "common/file_io.h"

namespace vestura {

// Raises EOutOfResources ("Out of memory") when the encoder cannot hold the picture.
Bytes encodePng(const QImage& picture);

}  // namespace vestura
