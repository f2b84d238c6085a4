#include "picture/byte_reader.h"

#include <exception>

namespace vestura {

void ByteReader::fail() const {
    fail_();
    std::terminate();  // a failure function that returns is a programming error
}

const std::uint8_t* ByteReader::need(std::size_t count) {
    if (count > remaining()) {
        fail();
    }
    const std::uint8_t* start = data_.data() + position_;
    position_ += count;
    return start;
}

std::uint8_t ByteReader::u8() {
    return *need(1);
}
std::uint16_t ByteReader::u16() {
    return loadLe16(need(2));
}
std::uint32_t ByteReader::u32() {
    return loadLe32(need(4));
}
std::int32_t ByteReader::i32() {
    return static_cast<std::int32_t>(u32());
}

std::span<const std::uint8_t> ByteReader::bytes(std::size_t count) {
    const std::uint8_t* start = need(count);
    return {start, count};
}

void ByteReader::seek(std::size_t offset) {
    if (offset > data_.size()) {
        fail();
    }
    position_ = offset;
}

}  // namespace vestura
