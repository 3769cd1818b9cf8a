#include "support/mi4_builder.h"

#include "support/byte_writer.h"

namespace vexmor::test {

MipImage makeMipImage(const MipSpec& shape) {
    MipImage image;
    image.width = shape.width;
    image.height = shape.heightMinus2 + 2;
    image.header.reserved = shape.reserved;
    image.header.width = shape.width;
    image.header.heightMinus2 = shape.heightMinus2;
    image.header.numMips = shape.numMips;
    image.header.defaultColour = shape.defaultColour;
    std::uint32_t position = 24 + 12 * shape.numMips;
    for (std::uint32_t i = 0; i < shape.numMips; ++i) {
        const std::uint32_t internal = (1u << (shape.numMips - i)) - 1;
        image.levelRecords.push_back({internal, ~(2 * internal + 1), position + internal - 3});
        image.levels.push_back(mipLevelPixels(shape, i));
        position += static_cast<std::uint32_t>(image.levels.back().size());
    }
    image.header.size = position - 4;
    return image;
}

std::vector<std::uint8_t> buildMi4(const Mi4Spec& shape) {
    const auto count = static_cast<std::uint32_t>(shape.levels.size());
    std::uint32_t end = 24 + 12 * count;
    for (const Mi4LevelSpec& level : shape.levels) {
        end += static_cast<std::uint32_t>(level.packed.size()) + 32;
    }
    ByteWriter out;
    out.u32(end - 4).u32(0).u32(shape.width).u32(shape.height).u32(count).u32(shape.defaultColour);
    std::uint32_t position = 24 + 12 * count;
    for (const Mi4LevelSpec& level : shape.levels) {
        out.u32(level.mipLevelInternal).u32(level.magic).u32(position - 4);
        position += static_cast<std::uint32_t>(level.packed.size()) + 32;
    }
    for (const Mi4LevelSpec& level : shape.levels) {
        out.bytes(level.packed);
        for (const std::uint16_t slot : level.palette) {
            out.u16(slot);
        }
    }
    return out.data();
}

}  // namespace vexmor::test
