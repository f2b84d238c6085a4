// Fuzz target: loads any bytes as an icon file and draws it onto a small picture.
#include "fuzz/draw_picture.h"
#include "picture/icon/icon.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return vestura::fuzz::loadAndDraw<vestura::TIcon>(data, size);
}
