#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vexmor::test {

// One directory entry of a DAT archive to build. The bytes are laid out after the directory in
// entry order; the entry points at them unless an explicit offset or length is given.
struct DatMember {
    std::string name;  // written into the 13-byte field, NUL-padded, cut at 13 bytes
    std::vector<std::uint8_t> bytes;
    std::optional<std::uint32_t> offset;  // 0 marks an unused entry
    std::optional<std::uint32_t> length;
};

struct DatSpec {
    std::vector<DatMember> members;
    std::optional<std::uint16_t> count;     // header count; by default the number of members
    std::optional<std::size_t> truncateTo;  // cut the archive to this many bytes
};

// An entry with offset 0: present in the directory, unused.
DatMember unusedDatEntry(std::string name = "unused.bin");

// `size` bytes that differ from position to position and from seed to seed.
std::vector<std::uint8_t> patternBytes(std::size_t size, std::uint8_t seed = 0);

// The archive's bytes. The reserved fields hold filler, so a reader that interprets them shows.
std::vector<std::uint8_t> buildDat(const DatSpec& shape);

// Where the directory of a built archive ends and member data starts.
inline std::size_t datDataStart(std::size_t entries) {
    return 2 + 27 * entries;
}

}  // namespace vexmor::test
