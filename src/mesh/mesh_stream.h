#pragma once

#include <cstdint>
#include <istream>

// Little-endian word reads on a mesh's stream, with the failure rules the walk relies on: the
// stream never raises, and a failed read leaves its target as the rule says.
namespace vexmor {

// The stream state as the walk's error lines print it: each flag as its bit value, 0 when clear.
struct StreamStateBits {
    int eof = 0;
    int fail = 0;
    int bad = 0;
};
StreamStateBits streamStateBits(const std::ios& stream);

// True when any of the end-of-file, fail and bad flags is set.
inline bool streamFailed(const std::ios& stream) {
    return !stream.good();
}

// Reads a word over `word`: the bytes obtained replace its low-order bytes, so a read at the end
// of the file leaves it unchanged.
void readWordInto(std::istream& stream, std::int32_t& word);

// Reads a word into a zeroed buffer; 0 when the read fails.
std::uint32_t readWordOrZero(std::istream& stream);

// Reads and drops `count` bytes.
void skipBytes(std::istream& stream, std::size_t count);

// The read position as a signed number: -1 after a failure.
std::int64_t readPosition(std::istream& stream);

}  // namespace vexmor
