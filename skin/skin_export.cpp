#include "skin/skin_export.h"

#include <cstddef>
#include <filesystem>
#include <optional>

#include "common/errors.h"
#include "common/failure_text.h"
#include "common/file_io.h"
#include "common/messages.h"
#include "common/platform.h"
#include "game/settings.h"
#include "game/skins_check.h"
#include "picture/bmp/bmp_writer.h"

namespace vestura {

namespace {

constexpr int kCubeLevels = 6;
constexpr int kCubeStep = 51;  // 255 / (kCubeLevels - 1)
constexpr int kCubeSize = kCubeLevels * kCubeLevels * kCubeLevels;
constexpr int kGreySteps = 256 - kCubeSize;

constexpr std::array<QRgb, 256> makeSkinColorTable() {
    std::array<QRgb, 256> table{};
    for (int i = 0; i < kCubeSize; ++i) {
        const int red = i / (kCubeLevels * kCubeLevels);
        const int green = i / kCubeLevels % kCubeLevels;
        const int blue = i % kCubeLevels;
        table[static_cast<std::size_t>(i)] =
            qRgb(red * kCubeStep, green * kCubeStep, blue * kCubeStep);
    }
    for (int i = 0; i < kGreySteps; ++i) {
        // Rounded 255 x (i + 1) / (kGreySteps + 1): greys the cube does not already hold.
        const int grey = (2 * 255 * (i + 1) + kGreySteps + 1) / (2 * (kGreySteps + 1));
        table[static_cast<std::size_t>(kCubeSize + i)] = qRgb(grey, grey, grey);
    }
    return table;
}

}  // namespace

constinit const std::array<QRgb, 256> kSkinColorTable = makeSkinColorTable();

std::string skinsFolderForSave(const std::string& gameFolder) {
    if (const std::optional<std::string> existing = skinsFolderOf(gameFolder)) {
        return *existing;
    }
    const std::string folder = gameFolder + "skins";
    if (holdsGame(gameFolder)) {
        std::error_code error;
        std::filesystem::create_directory(folder, error);
        if (error) {
            throw EFCreateError(msg::format(msg::kCannotCreateFile, folder),
                                causeOfError(error.value()));
        }
    }
    return folder + platform::kPathSeparator;
}

namespace {

// Encodes the skin and hands `write` its four pieces: the file header, the information
// header, the colour table and the pixels, each one checked write.
template <typename Write>
auto withSkinPieces(const QImage& skin, Write write) {
    const Bytes file = encodeBmp24(skin, kSkinColorTable);
    const Bmp24Layout layout = bmp24Layout(skin.width(), skin.height(), kSkinColorTable.size());
    const ByteView bytes(file);
    const std::size_t tableStart = kBmpFileHeaderSize + kBmpInfoHeaderSize;
    const std::array<ByteView, 4> pieces = {
        bytes.first(kBmpFileHeaderSize), bytes.subspan(kBmpFileHeaderSize, kBmpInfoHeaderSize),
        bytes.subspan(tableStart, layout.pixelOffset - tableStart),
        bytes.subspan(layout.pixelOffset)};
    return write(std::span<const ByteView>(pieces));
}

}  // namespace

void writeSkinFile(const std::string& path, const QImage& skin) {
    withSkinPieces(skin, [&](std::span<const ByteView> pieces) { writeFileSafely(path, pieces); });
}

std::unique_ptr<PendingFile> prepareSkinFile(const std::string& path, const QImage& skin) {
    return withSkinPieces(skin, [&](std::span<const ByteView> pieces) {
        return std::make_unique<PendingFile>(path, pieces);
    });
}

}  // namespace vestura
