// Fuzz target: loads any bytes as a TGA file and draws it onto a small picture.
#include "fuzz/draw_picture.h"
#include "picture/tga/tga_image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return vestura::fuzz::loadAndDraw<vestura::TTgaImage>(data, size);
}
