// Fuzz target: loads any bytes as a PNG file and draws it onto a small picture.
#include "fuzz/draw_picture.h"
#include "picture/png/png_image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return vestura::fuzz::loadAndDraw<vestura::TPngImage>(data, size);
}
