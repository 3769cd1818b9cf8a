#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "archive/dat_directory.h"

// The layout of a new DAT archive: the count, one directory record per member, then every
// member's bytes back to back in directory order, the first right after the directory. No member
// lies at offset 0, so every record reads back as a used one.
namespace vexmor {

inline constexpr std::size_t kMaxDatMembers = 0xFFFF;               // the count is 16 bits
inline constexpr std::size_t kMaxDatNameLength = kDatNameSize - 1;  // the field keeps its NUL
inline constexpr std::uint64_t kMaxDatField = 0xFFFFFFFF;  // offsets and lengths are 32 bits

// Where the member data of an archive with `count` members starts.
std::uint64_t datMemberDataStart(std::size_t count);

// The offset of each member, given the members' lengths in directory order. Kept in 64 bits, so
// that a layout beyond the 32-bit fields shows instead of wrapping around.
std::vector<std::uint64_t> datMemberOffsets(std::span<const std::uint64_t> lengths);

// The count and the directory of an archive with these entries (at most kMaxDatMembers).
std::vector<std::uint8_t> encodeDatHead(std::span<const DatDirectoryEntry> entries);

}  // namespace vexmor
