// ByteReader: little-endian reads over a span of bytes that can never run past its end. A
// read the data cannot satisfy raises the failure its owner chose (each format has its own
// message), so a short file is a decision of the format, not an accident of the reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace vestura {

class ByteReader {
public:
    // Raises the owner's failure; must not return.
    using Failure = void (*)();

    ByteReader(std::span<const std::uint8_t> data, Failure fail) : data_(data), fail_(fail) {}

    // Later short reads raise this failure instead (a format's stages may differ).
    void setFailure(Failure fail) { fail_ = fail; }

    std::uint8_t u8();
    std::uint16_t u16();
    std::uint32_t u32();
    std::int32_t i32();

    // Exactly `count` bytes, or the failure.
    std::span<const std::uint8_t> bytes(std::size_t count);
    void skip(std::size_t count) { bytes(count); }

    // Moves to an absolute offset, at most the end of the data.
    void seek(std::size_t offset);

    std::size_t position() const { return position_; }
    std::size_t remaining() const { return data_.size() - position_; }
    std::span<const std::uint8_t> data() const { return data_; }

private:
    [[noreturn]] void fail() const;
    const std::uint8_t* need(std::size_t count);

    std::span<const std::uint8_t> data_;
    Failure fail_;
    std::size_t position_ = 0;
};

// Unchecked little-endian loads for decoders that have already bounded their data.
inline std::uint16_t loadLe16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t loadLe32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
           (std::uint32_t{p[3]} << 24);
}

}  // namespace vestura
