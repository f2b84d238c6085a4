// Skin names: what the game, run in Windows or Wine, can open from its skins folder.
#include "game/skin_name.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "common/text8.h"
#include "game/skins_check.h"

namespace vestura {

namespace {

constexpr std::string_view kExtension = ".bmp";
// Characters no Windows file name may hold. The separators also keep every accepted name
// inside the skins folder.
constexpr std::string_view kForbidden = "/\\:*?\"<>|";
// Names Windows takes for devices whatever their extension: "CON.bmp" is the console.
constexpr std::array<std::string_view, 24> kDeviceNames = {
    "CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3",   "COM4",
    "COM5", "COM6", "COM7", "COM8", "COM9", "LPT1", "LPT2",   "LPT3",
    "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9", "CONIN$", "CONOUT$"};

using text8::equalsIgnoringCase;

std::string_view trimmedSpaces(std::string_view s) {
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

// Why `base` (the name without ".bmp") cannot be used; empty when it can.
std::string refusalOf(std::string_view base) {
    if (base.empty()) {
        return "The skin name is empty.";
    }
    if (base == "." || base == "..") {
        return "The skin name \"" + std::string(base) + "\" names a folder, not a file.";
    }
    for (const char c : base) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            return "The skin name holds a control character.";
        }
        if (kForbidden.find(c) != std::string_view::npos) {
            return std::string("The skin name holds \"") + c + "\".";
        }
    }
    if (std::any_of(base.begin(), base.end(), [](char c) { return (c & 0x80) != 0; })) {
        return "The skin name holds characters that are not plain ASCII, which the game cannot "
               "read.";
    }
    if (base.size() > kSkinNameMax) {
        return "The skin name is longer than 31 characters, which the game cannot read.";
    }
    // Windows matches device names before the first dot, with spaces and dots at its end
    // dropped: "con .bmp" is the console too.
    std::string_view stem = base.substr(0, base.find('.'));
    while (!stem.empty() && (stem.back() == ' ' || stem.back() == '.')) {
        stem.remove_suffix(1);
    }
    if (std::any_of(kDeviceNames.begin(), kDeviceNames.end(),
                    [&](std::string_view device) { return equalsIgnoringCase(stem, device); })) {
        return "The skin name \"" + std::string(base) + "\" is a Windows device name.";
    }
    return {};
}

}  // namespace

SkinName checkSkinName(std::string_view typed) {
    std::string_view base = trimmedSpaces(typed);
    if (base.size() >= kExtension.size() &&
        equalsIgnoringCase(base.substr(base.size() - kExtension.size()), kExtension)) {
        base.remove_suffix(kExtension.size());
    }
    std::string refusal = refusalOf(base);
    if (!refusal.empty()) {
        return {{}, std::move(refusal)};
    }
    return {std::string(base) + std::string(kExtension), {}};
}

}  // namespace vestura
