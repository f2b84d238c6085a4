#include "model/rw_stream.h"

#include <cstring>

#include "model/model_errors.h"

namespace vestura::rw {

Version decodeVersion(std::uint32_t stamp) {
    if ((stamp & 0xFFFF0000U) != 0) {
        return (((stamp >> 14) & 0x3FF00U) + 0x30000U) | ((stamp >> 16) & 0x3FU);
    }
    return stamp << 8;
}

std::string chunkName(std::uint32_t type) {
    switch (type) {
        case kStruct:
            return "struct";
        case kFrameList:
            return "frame list";
        case kGeometry:
            return "geometry";
        case kClump:
            return "clump";
        case kAtomic:
            return "atomic";
        case kGeometryList:
            return "geometry list";
        case kBinMesh:
            return "bin mesh";
        default:
            return "chunk " + std::to_string(type);
    }
}

void Cursor::truncated() const {
    invalidModel(std::string("the ") + what_ + " ends early");
}

Span Cursor::bytes(std::size_t count) {
    if (count > remaining()) {
        truncated();
    }
    const Span taken = data_.subspan(position_, count);
    position_ += count;
    return taken;
}

std::uint32_t Cursor::u32() {
    const Span b = bytes(4);
    return std::uint32_t{b[0]} | (std::uint32_t{b[1]} << 8) | (std::uint32_t{b[2]} << 16) |
           (std::uint32_t{b[3]} << 24);
}

std::uint16_t Cursor::u16() {
    const Span b = bytes(2);
    return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}

float Cursor::f32() {
    const std::uint32_t bits = u32();
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

Chunk Cursor::chunk() {
    Chunk c;
    c.type = u32();
    const std::uint32_t size = u32();
    c.version = decodeVersion(u32());
    if (size > remaining()) {
        invalidModel("a " + chunkName(c.type) + " is larger than the " + what_ + " holding it");
    }
    c.payload = bytes(size);
    return c;
}

Chunk Cursor::chunk(std::uint32_t type) {
    const Chunk c = chunk();
    if (c.type != type) {
        invalidModel(std::string("the ") + what_ + " has no " + chunkName(type) + " where one belongs");
    }
    return c;
}

Chunk Cursor::find(std::uint32_t type) {
    if (const std::optional<Chunk> c = lookFor(type)) {
        return *c;
    }
    invalidModel(std::string("the ") + what_ + " has no " + chunkName(type));
}

std::optional<Chunk> Cursor::lookFor(std::uint32_t type) {
    while (!done()) {
        const Chunk c = chunk();
        if (c.type == type) {
            return c;
        }
    }
    return std::nullopt;
}

void Cursor::needRecords(std::uint64_t count, std::uint64_t recordBytes, const char* records) const {
    // Both factors are below 2^32, so the product cannot overflow 64 bits.
    if (count * recordBytes > remaining()) {
        invalidModel(std::string("the ") + what_ + " counts more " + records + " than it holds");
    }
}

}  // namespace vestura::rw
