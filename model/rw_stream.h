// The RenderWare binary stream: chunks of (type, size, version stamp) and their payload,
// read through a cursor that never leaves its bytes, with the library version decoded once
// from the stamp.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace vestura::rw {

using Span = std::span<const std::uint8_t>;

// The chunk types the player model needs; everything else is skipped by its size.
enum ChunkType : std::uint32_t {
    kStruct = 0x01,
    kExtension = 0x03,
    kFrameList = 0x0E,
    kGeometry = 0x0F,
    kClump = 0x10,
    kAtomic = 0x14,
    kGeometryList = 0x1A,
    kBinMesh = 0x50E,  // a geometry's triangles grouped by material, as the game draws them
};

inline constexpr std::size_t kChunkHeaderBytes = 12;

// The library version as a comparable number, 0x34003 for 3.4.0.3.
using Version = std::uint32_t;
inline constexpr Version kVersion34 = 0x34000;

// Newer stamps pack the version and build into the upper bits (3.4.0.3 is 0x1003FFFF);
// stamps before 3.1 held the version alone, shifted right by 8.
Version decodeVersion(std::uint32_t stamp);

struct Chunk {
    std::uint32_t type = 0;
    Version version = 0;
    Span payload;
};

// Little-endian reads over a span; a read past its end raises EInvalidModel naming `what`.
class Cursor {
public:
    Cursor(Span data, const char* what) : data_(data), what_(what) {}

    std::uint32_t u32();
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
    std::uint16_t u16();
    float f32();
    Span bytes(std::size_t count);
    void skip(std::size_t count) { bytes(count); }

    // The next chunk, its payload checked against what is left here.
    Chunk chunk();
    // The next chunk, which must be of `type`.
    Chunk chunk(std::uint32_t type);
    // Skips chunks until one of `type`; raises when none is left.
    Chunk find(std::uint32_t type);
    // Skips chunks until one of `type`; empty when none is left.
    std::optional<Chunk> lookFor(std::uint32_t type);

    bool done() const { return position_ >= data_.size(); }
    std::size_t remaining() const { return data_.size() - position_; }

    // `count` records of `recordBytes` each must fit in what is left.
    void needRecords(std::uint64_t count, std::uint64_t recordBytes, const char* records) const;

private:
    [[noreturn]] void truncated() const;

    Span data_;
    const char* what_;
    std::size_t position_ = 0;
};

std::string chunkName(std::uint32_t type);

}  // namespace vestura::rw
