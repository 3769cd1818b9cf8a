#include "support/mi4_builder.h"

#include "support/byte_writer.h"

namespace vexmor::test {

MipImage makeMipImage(const MipSpec& spec) {
    MipImage image;
    image.width = spec.width;
    image.height = spec.heightMinus2 + 2;
    image.header.reserved = spec.reserved;
    image.header.width = spec.width;
    image.header.heightMinus2 = spec.heightMinus2;
    image.header.numMips = spec.numMips;
    image.header.defaultColour = spec.defaultColour;
    std::uint32_t position = 24 + 12 * spec.numMips;
    for (std::uint32_t i = 0; i < spec.numMips; ++i) {
        const std::uint32_t internal = (1u << (spec.numMips - i)) - 1;
        image.levelRecords.push_back({internal, ~(2 * internal + 1), position + internal - 3});
        image.levels.push_back(mipLevelPixels(spec, i));
        position += static_cast<std::uint32_t>(image.levels.back().size());
    }
    image.header.size = position - 4;
    return image;
}

std::vector<std::uint8_t> buildMi4(const Mi4Spec& spec) {
    const auto count = static_cast<std::uint32_t>(spec.levels.size());
    std::uint32_t end = 24 + 12 * count;
    for (const Mi4LevelSpec& level : spec.levels) {
        end += static_cast<std::uint32_t>(level.packed.size()) + 32;
    }
    ByteWriter out;
    out.u32(end - 4).u32(0).u32(spec.width).u32(spec.height).u32(count).u32(spec.defaultColour);
    std::uint32_t position = 24 + 12 * count;
    for (const Mi4LevelSpec& level : spec.levels) {
        out.u32(level.mipLevelInternal).u32(level.magic).u32(position - 4);
        position += static_cast<std::uint32_t>(level.packed.size()) + 32;
    }
    for (const Mi4LevelSpec& level : spec.levels) {
        out.bytes(level.packed);
        for (const std::uint16_t slot : level.palette) {
            out.u16(slot);
        }
    }
    return out.data();
}

}  // namespace vexmor::test
