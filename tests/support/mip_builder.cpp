#include "support/mip_builder.h"

#include "support/byte_writer.h"

namespace vexmor::test {

std::vector<std::uint8_t> mipLevelPixels(const MipSpec& shape, std::uint32_t level) {
    const std::uint32_t w = level < 32 ? shape.width >> level : 0;
    const std::uint32_t h = (level < 32 ? shape.heightMinus2 >> level : 0) + 2;
    std::vector<std::uint8_t> pixels;
    pixels.reserve(std::size_t{w} * h);
    for (std::uint32_t y = 0; y < h; ++y) {
        for (std::uint32_t x = 0; x < w; ++x) {
            pixels.push_back(shape.pixel ? shape.pixel(level, x, y)
                                         : static_cast<std::uint8_t>(x + 3 * y + 17 * level));
        }
    }
    return pixels;
}

std::vector<std::uint8_t> buildMip(const MipSpec& shape) {
    std::vector<std::vector<std::uint8_t>> levels;
    std::uint64_t dataBytes = 0;
    for (std::uint32_t i = 0; i < shape.numMips; ++i) {
        levels.push_back(mipLevelPixels(shape, i));
        dataBytes += levels.back().size();
    }
    const std::uint32_t dataStart = 24 + 12 * shape.numMips;
    ByteWriter out;
    out.u32(static_cast<std::uint32_t>(dataStart + dataBytes - 4))
        .u32(shape.reserved)
        .u32(shape.width)
        .u32(shape.heightMinus2)
        .u32(shape.numMips)
        .u32(shape.defaultColour);
    std::uint32_t position = dataStart;
    for (std::uint32_t i = 0; i < shape.numMips; ++i) {
        const std::uint32_t shift = shape.numMips - i;
        const std::uint32_t internal = shift < 32 ? (1u << shift) - 1 : 0xFFFFFFFFu;
        out.u32(internal).u32(~(2 * internal + 1)).u32(position + internal - 3);
        position += static_cast<std::uint32_t>(levels[i].size());
    }
    for (const auto& level : levels) {
        out.bytes(level);
    }
    return out.data();
}

}  // namespace vexmor::test
