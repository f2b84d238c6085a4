// TPngImage: a picture from a PNG file, decoded at load and drawn with its alpha.
#pragma once

#include "picture/alpha_graphic.h"

namespace vestura {

class TPngImage final : public AlphaGraphic {
public:
    // Decodes the whole file. Raises EInvalidGraphic "PNG image is not valid" for a file
    // that is not a PNG libpng can decode within the limits.
    void loadFromBytes(std::span<const std::uint8_t> file) override;
    [[noreturn]] void refuseOversizedFile() const override;
};

}  // namespace vestura
