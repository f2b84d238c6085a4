// Fuzz target: loads any bytes as a metafile and plays it onto a small picture.
#include "fuzz/draw_picture.h"
#include "picture/metafile/metafile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return vestura::fuzz::loadAndDraw<vestura::TMetafile>(data, size);
}
