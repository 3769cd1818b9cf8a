#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace vexmor::test {

// Builds little-endian binary fixtures a field at a time.
class ByteWriter {
public:
    ByteWriter& u8(std::uint8_t v) {
        bytes_.push_back(v);
        return *this;
    }
    ByteWriter& u16(std::uint16_t v) { return u8(static_cast<std::uint8_t>(v)).u8(v >> 8); }
    ByteWriter& u32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            u8(static_cast<std::uint8_t>(v >> (8 * i)));
        }
        return *this;
    }
    ByteWriter& i32(std::int32_t v) { return u32(static_cast<std::uint32_t>(v)); }
    ByteWriter& i16(std::int16_t v) { return u16(static_cast<std::uint16_t>(v)); }
    // A fixed-size text field, zero-padded (or cut) to `size` bytes.
    ByteWriter& text(std::string_view s, std::size_t size) {
        for (std::size_t i = 0; i < size; ++i) {
            u8(i < s.size() ? static_cast<std::uint8_t>(s[i]) : 0);
        }
        return *this;
    }
    ByteWriter& bytes(const std::vector<std::uint8_t>& b) {
        bytes_.insert(bytes_.end(), b.begin(), b.end());
        return *this;
    }
    ByteWriter& fill(std::size_t count, std::uint8_t v = 0) {
        bytes_.insert(bytes_.end(), count, v);
        return *this;
    }
    std::size_t size() const { return bytes_.size(); }
    const std::vector<std::uint8_t>& data() const { return bytes_; }
    std::vector<std::uint8_t>& data() { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

}  // namespace vexmor::test
