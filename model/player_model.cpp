#include "model/player_model.h"

#include <algorithm>
#include <memory>

#include "common/path_case.h"
#include "model/clump_reader.h"
#include "model/model_errors.h"
#include "model/model_limits.h"

namespace vestura {

namespace {

constexpr std::string_view kArchivePath = "models/gta3.img";
constexpr std::string_view kDirectoryPath = "models/gta3.dir";
constexpr std::uint64_t kSectorBytes = 2048;
constexpr std::size_t kRecordBytes = 32;
constexpr std::size_t kNameBytes = 24;
constexpr std::size_t kRecordsPerBlock = 2048;  // the directory is scanned 64 KiB at a time

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The record's name: up to its first NUL, or all 24 characters when it has none.
bool nameMatches(const std::uint8_t* field, std::string_view name) {
    const auto* end = std::find(field, field + kNameBytes, 0);
    const auto length = static_cast<std::size_t>(end - field);
    if (length != name.size()) {
        return false;
    }
    return std::equal(name.begin(), name.end(), field, [](char a, std::uint8_t b) {
        return lower(a) == lower(static_cast<char>(b));
    });
}

std::uint64_t le32(const std::uint8_t* p) {
    return std::uint64_t{p[0]} | (std::uint64_t{p[1]} << 8) | (std::uint64_t{p[2]} << 16) |
           (std::uint64_t{p[3]} << 24);
}

// An open file, or EModelNotFound naming it as written.
std::unique_ptr<RegularFile> openOrNotFound(const std::string& path) {
    try {
        return std::make_unique<RegularFile>(resolveIgnoringCase(path));
    } catch (const EFOpenError&) {
        throw EModelNotFound(path);
    }
}

std::optional<ArchiveRecord> scanDirectory(RegularFile& directory, std::string_view name) {
    if (directory.size() > model_limits::kMaxDirectoryBytes) {
        invalidModel("gta3.dir is larger than " +
                     std::to_string(model_limits::kMaxDirectoryBytes >> 20) + " MiB");
    }
    Bytes block(kRecordsPerBlock * kRecordBytes);
    std::uint64_t scanned = 0;
    while (scanned < model_limits::kMaxDirectoryBytes) {
        const std::size_t got = directory.read(block.data(), block.size());
        scanned += got;
        if (auto found = findRecord(std::span(block.data(), got), name)) {
            return found;
        }
        if (got < block.size()) {
            break;
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<ArchiveRecord> findRecord(std::span<const std::uint8_t> directory,
                                        std::string_view name) {
    // A partial record at the end is ignored, as the game reads whole records only.
    for (std::size_t at = 0; at + kRecordBytes <= directory.size(); at += kRecordBytes) {
        const std::uint8_t* record = directory.data() + at;
        if (nameMatches(record + 8, name)) {
            return ArchiveRecord{le32(record) * kSectorBytes, le32(record + 4) * kSectorBytes};
        }
    }
    return std::nullopt;
}

Bytes readArchiveEntry(const std::string& gameFolder, std::string_view name) {
    const std::string archivePath = gameFolder + std::string(kArchivePath);
    const std::string directoryPath = gameFolder + std::string(kDirectoryPath);
    const std::unique_ptr<RegularFile> archive = openOrNotFound(archivePath);
    const std::unique_ptr<RegularFile> directory = openOrNotFound(directoryPath);
    const std::optional<ArchiveRecord> record = scanDirectory(*directory, name);
    if (!record) {
        throw EModelNotFound(std::string(name) + " in " + directoryPath);
    }
    if (record->size == 0 || record->size > model_limits::kMaxEntryBytes) {
        invalidModel("the directory gives " + std::string(name) + " a size of " +
                     std::to_string(record->size) + " bytes");
    }
    // Tools that rebuild the archive may leave its last entry short of a whole sector: what
    // is there is read, as long as the entry's last sector has begun.
    if (record->offset >= archive->size() ||
        record->size - kSectorBytes >= archive->size() - record->offset) {
        invalidModel("the directory places " + std::string(name) + " past the end of gta3.img");
    }
    Bytes entry(static_cast<std::size_t>(std::min(record->size, archive->size() - record->offset)));
    if (archive->readAt(record->offset, entry.data(), entry.size()) != entry.size()) {
        invalidModel("gta3.img ends inside " + std::string(name));
    }
    return entry;
}

Mesh loadPlayerModel(const std::string& gameFolder) {
    return readClump(readArchiveEntry(gameFolder, kPlayerModelName));
}

Mesh loadModelFile(const std::string& path) {
    std::optional<Bytes> file;
    try {
        file = readFileUpTo(path, model_limits::kMaxEntryBytes);
    } catch (const EFOpenError&) {
        throw EModelNotFound(path);
    }
    if (!file) {
        invalidModel("the file is larger than " +
                     std::to_string(model_limits::kMaxEntryBytes >> 20) + " MiB");
    }
    return readClump(*file);
}

}  // namespace vestura
