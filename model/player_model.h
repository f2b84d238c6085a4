// Where the player model comes from: the game's models/gta3.img archive, found through its
// directory models/gta3.dir, or a loose .dff file.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "common/file_io.h"
#include "model/mesh.h"

namespace vestura {

inline constexpr std::string_view kPlayerModelName = "player.dff";

// The archive's entry `name`: the first directory record whose name equals it in any
// letter case. Raises EModelNotFound naming the archive, the directory or the entry that
// is missing, EInvalidModel for a record pointing outside the archive or too large.
Bytes readArchiveEntry(const std::string& gameFolder, std::string_view name);

// The first record of a gta3.dir image named `name` (any case): byte offset and size in the
// archive. Empty when there is none.
struct ArchiveRecord {
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
};
std::optional<ArchiveRecord> findRecord(std::span<const std::uint8_t> directory,
                                        std::string_view name);

// The player model of the game in `gameFolder` (ending with a separator).
Mesh loadPlayerModel(const std::string& gameFolder);

// A loose .dff file.
Mesh loadModelFile(const std::string& path);

}  // namespace vestura
