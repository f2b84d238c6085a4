// A view of one metafile record's bytes with bounded little-endian reads. A read past the
// record's end yields 0 rather than stray memory; players check a record's length with
// has() before trusting what they read.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>

namespace vestura {

class RecordView {
public:
    explicit RecordView(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::size_t size() const { return bytes_.size(); }
    bool has(std::size_t offset, std::size_t count) const {
        return offset <= bytes_.size() && count <= bytes_.size() - offset;
    }

    std::uint8_t u8(std::size_t at) const { return has(at, 1) ? bytes_[at] : 0; }
    std::uint16_t u16(std::size_t at) const {
        return has(at, 2) ? static_cast<std::uint16_t>(bytes_[at] | bytes_[at + 1] << 8) : 0;
    }
    std::int16_t i16(std::size_t at) const { return static_cast<std::int16_t>(u16(at)); }
    std::uint32_t u32(std::size_t at) const {
        return has(at, 4) ? static_cast<std::uint32_t>(u16(at)) |
                                static_cast<std::uint32_t>(u16(at + 2)) << 16
                          : 0;
    }
    std::int32_t i32(std::size_t at) const { return static_cast<std::int32_t>(u32(at)); }
    float f32(std::size_t at) const {
        const std::uint32_t bits = u32(at);
        float value = 0;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    // The bytes [offset, offset + count), or an empty span when they are not all there.
    std::span<const std::uint8_t> bytes(std::size_t offset, std::size_t count) const {
        return has(offset, count) ? bytes_.subspan(offset, count) : std::span<const std::uint8_t>();
    }

private:
    std::span<const std::uint8_t> bytes_;
};

}  // namespace vestura
