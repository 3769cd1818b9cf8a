#include "support/dat_builder.h"

#include "support/byte_writer.h"

namespace vexmor::test {

DatMember unusedDatEntry(std::string name) {
    DatMember member;
    member.name = std::move(name);
    member.offset = 0;
    return member;
}

std::vector<std::uint8_t> patternBytes(std::size_t size, std::uint8_t seed) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>((i * 31 + (i >> 8) * 7 + seed * 13 + 1) & 0xFF);
    }
    return bytes;
}

std::vector<std::uint8_t> buildDat(const DatSpec& shape) {
    const std::uint16_t count =
        shape.count.value_or(static_cast<std::uint16_t>(shape.members.size()));
    ByteWriter out;
    out.u16(count);

    std::size_t dataAt = datDataStart(shape.members.size());
    for (const DatMember& member : shape.members) {
        out.u16(0xA5A5)
            .u32(member.length.value_or(static_cast<std::uint32_t>(member.bytes.size())))
            .u32(0x5A5A5A5A)
            .text(member.name, 13)
            .u32(member.offset.value_or(static_cast<std::uint32_t>(dataAt)));
        dataAt += member.bytes.size();
    }
    for (const DatMember& member : shape.members) {
        out.bytes(member.bytes);
    }

    std::vector<std::uint8_t> bytes = out.data();
    if (shape.truncateTo && *shape.truncateTo < bytes.size()) {
        bytes.resize(*shape.truncateTo);
    }
    return bytes;
}

}  // namespace vexmor::test
