// Appends little-endian integers to a byte string: the building block of the picture file
// builders used by the tests.
#pragma once

#include <cstdint>
#include <cstring>

#include "common/file_io.h"

namespace vestura::test {

class LeWriter {
public:
    LeWriter& u8(std::uint32_t v) {
        bytes_.push_back(static_cast<std::uint8_t>(v));
        return *this;
    }
    LeWriter& u16(std::uint32_t v) { return u8(v & 0xFF).u8(v >> 8 & 0xFF); }
    LeWriter& u32(std::uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
    LeWriter& i16(std::int32_t v) { return u16(static_cast<std::uint16_t>(v)); }
    LeWriter& i32(std::int32_t v) { return u32(static_cast<std::uint32_t>(v)); }
    LeWriter& f32(float v) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &v, sizeof bits);
        return u32(bits);
    }
    LeWriter& bytes(const Bytes& more) {
        bytes_.insert(bytes_.end(), more.begin(), more.end());
        return *this;
    }
    // Overwrites a 32-bit value already written.
    void patch32(std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            bytes_[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
        }
    }
    std::size_t size() const { return bytes_.size(); }
    const Bytes& result() const { return bytes_; }

private:
    Bytes bytes_;
};

}  // namespace vestura::test
