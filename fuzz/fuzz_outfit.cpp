// Fuzz target: reads any bytes as the lines of an outfits file. Every line read as an outfit
// must format to a line that reads back as the same outfit, and format the same again.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "skin/outfit.h"

namespace {

bool same(const vestura::Outfit& a, const vestura::Outfit& b) {
    return a.skin == b.skin && a.entries == b.entries && a.base == b.base && a.colours == b.colours;
}

void checkLine(std::string_view text) {
    std::optional<vestura::Outfit> read;
    try {
        read = vestura::parseOutfitLine(text);
    } catch (const vestura::OutfitLineError&) {
        return;  // a line that is no outfit is the expected outcome for most inputs
    }
    if (!read) {
        return;
    }
    const std::string line = vestura::formatOutfitLine(*read);
    const std::optional<vestura::Outfit> again = vestura::parseOutfitLine(line);
    if (!again || !same(*again, *read) || vestura::formatOutfitLine(*again) != line) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    // Split as the file reader splits, at line feeds; a line never holds one.
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        checkLine(text.substr(start, end - start));
        start = end + 1;
    }
    return 0;
}
