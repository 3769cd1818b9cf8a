#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vexmor {

// Field positions of one 27-byte directory record of a DAT archive. The reserved fields at 0
// and 6 are not interpreted.
inline constexpr std::size_t kDatLengthAt = 2;
inline constexpr std::size_t kDatNameAt = 10;
inline constexpr std::size_t kDatNameSize = 13;  // an 8.3 name and its terminator
inline constexpr std::size_t kDatOffsetAt = 23;
inline constexpr std::size_t kDatDirectoryEntrySize = 27;
static_assert(kDatOffsetAt + 4 == kDatDirectoryEntrySize);
static_assert(kDatNameAt + kDatNameSize == kDatOffsetAt);

// The archive header: the 16-bit entry count in front of the directory.
inline constexpr std::size_t kDatHeaderSize = 2;

// Members move through one buffer of this size, unpacked or packed, so no member is ever held
// in memory whole.
inline constexpr std::size_t kDatCopyPieceSize = 131072;

// The line that shows one listed member, when listing, unpacking or packing with "-info".
inline constexpr std::string_view kDatEntryLine = "File {}, offset {}, length {}";

// One directory record. An offset of 0 marks an unused entry.
struct DatDirectoryEntry {
    std::uint32_t length = 0;
    std::string name;
    std::uint32_t offset = 0;

    bool unused() const { return offset == 0; }
};

// Parses one record; the name ends at its first NUL or, when it fills the field, at the
// field's end.
DatDirectoryEntry parseDatDirectoryEntry(
    std::span<const std::uint8_t, kDatDirectoryEntrySize> record);

// Lays out one record: the reserved fields 0, the name NUL-padded (cut at the field's size).
void encodeDatDirectoryEntry(const DatDirectoryEntry& entry,
                             std::span<std::uint8_t, kDatDirectoryEntrySize> record);

// Member names come from the archive: a name is safe to join to the output folder only when it
// names a file directly inside it, so never empty, "." or "..", and without `\`, `/` or `:`.
bool isSafeMemberName(std::string_view name);

}  // namespace vexmor
