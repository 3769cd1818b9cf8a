#include "mesh/mesh_stream.h"

#include <array>
#include <span>

#include "common/little_endian.h"

namespace vexmor {

StreamStateBits streamStateBits(const std::ios& stream) {
    return {stream.eof() ? 1 : 0, stream.fail() ? 2 : 0, stream.bad() ? 4 : 0};
}

void readWordInto(std::istream& stream, std::int32_t& word) {
    std::array<std::uint8_t, 4> bytes{};
    writeU32(bytes, 0, static_cast<std::uint32_t>(word));
    stream.read(reinterpret_cast<char*>(bytes.data()), bytes.size());
    word = static_cast<std::int32_t>(readU32(bytes, 0));
}

std::uint32_t readWordOrZero(std::istream& stream) {
    std::array<std::uint8_t, 4> bytes{};
    stream.read(reinterpret_cast<char*>(bytes.data()), bytes.size());
    return stream.fail() ? 0 : readU32(bytes, 0);
}

void skipBytes(std::istream& stream, std::size_t count) {
    std::array<char, 16> scratch{};
    while (count > 0) {
        const std::size_t now = count < scratch.size() ? count : scratch.size();
        stream.read(scratch.data(), static_cast<std::streamsize>(now));
        count -= now;
    }
}

std::int64_t readPosition(std::istream& stream) {
    return static_cast<std::int64_t>(static_cast<std::streamoff>(stream.tellg()));
}

}  // namespace vexmor
