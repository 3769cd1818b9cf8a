#include "archive/dat_writer.h"

#include "common/little_endian.h"

namespace vexmor {

std::uint64_t datMemberDataStart(std::size_t count) {
    return kDatHeaderSize + std::uint64_t{count} * kDatDirectoryEntrySize;
}

std::vector<std::uint64_t> datMemberOffsets(std::span<const std::uint64_t> lengths) {
    std::vector<std::uint64_t> offsets;
    offsets.reserve(lengths.size());
    std::uint64_t next = datMemberDataStart(lengths.size());
    for (const std::uint64_t length : lengths) {
        offsets.push_back(next);
        next += length;
    }
    return offsets;
}

std::vector<std::uint8_t> encodeDatHead(std::span<const DatDirectoryEntry> entries) {
    std::vector<std::uint8_t> head(static_cast<std::size_t>(datMemberDataStart(entries.size())));
    writeU16(head, 0, static_cast<std::uint16_t>(entries.size()));
    std::span<std::uint8_t> records = std::span(head).subspan(kDatHeaderSize);
    for (const DatDirectoryEntry& entry : entries) {
        encodeDatDirectoryEntry(entry, records.first<kDatDirectoryEntrySize>());
        records = records.subspan(kDatDirectoryEntrySize);
    }
    return head;
}

}  // namespace vexmor
