// TTgaImage: a picture from a TGA file, decoded at load and drawn with its alpha.
#pragma once

#include "picture/alpha_graphic.h"

namespace vestura {

class TTgaImage final : public AlphaGraphic {
public:
    // Decodes the whole file. Raises EInvalidGraphic "TGA image is not valid" for a file
    // the TGA reader cannot decode within the limits.
    void loadFromBytes(std::span<const std::uint8_t> file) override;
    [[noreturn]] void refuseOversizedFile() const override;
};

}  // namespace vestura
