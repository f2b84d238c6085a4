// Fuzz target: reads any bytes as a player model (.dff) and draws what it reads small.
#include <QImage>
#include <cstdint>
#include <span>

#include "model/clump_reader.h"
#include "model/model_errors.h"
#include "model/rasteriser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr int kSide = 64;
    try {
        const vestura::Mesh mesh = vestura::readClump(std::span(data, size));
        QImage skin(16, 16, QImage::Format_RGB32);
        skin.fill(0xFF808080);
        vestura::renderView(mesh, skin, {30, 20, 1}, {kSide, kSide});
    } catch (const vestura::EModelError&) {
        // A refused model is the expected outcome for most inputs.
    }
    return 0;
}
