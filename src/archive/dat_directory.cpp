#include "archive/dat_directory.h"

#include <algorithm>

#include "common/little_endian.h"

namespace vexmor {

DatDirectoryEntry parseDatDirectoryEntry(
    std::span<const std::uint8_t, kDatDirectoryEntrySize> record) {
    const std::span<const std::uint8_t> field = record.subspan(kDatNameAt, kDatNameSize);
    const auto end = std::find(field.begin(), field.end(), std::uint8_t{0});

    DatDirectoryEntry entry;
    entry.length = readU32(record, kDatLengthAt);
    entry.name.assign(field.begin(), end);
    entry.offset = readU32(record, kDatOffsetAt);
    return entry;
}

void encodeDatDirectoryEntry(const DatDirectoryEntry& entry,
                             std::span<std::uint8_t, kDatDirectoryEntrySize> record) {
    std::fill(record.begin(), record.end(), std::uint8_t{0});
    writeU32(record, kDatLengthAt, entry.length);
    const std::size_t nameSize = std::min(entry.name.size(), kDatNameSize);
    std::copy_n(entry.name.begin(), nameSize, record.begin() + kDatNameAt);
    writeU32(record, kDatOffsetAt, entry.offset);
}

bool isSafeMemberName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") {
        return false;
    }
    return name.find_first_of("\\/:") == std::string_view::npos;
}

}  // namespace vexmor
