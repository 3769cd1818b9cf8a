#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace vexmor::test {

// A MIP texture to build: correct level records and contiguous level data unless changed later.
struct MipSpec {
    std::uint32_t width = 16;
    std::uint32_t heightMinus2 = 16;
    std::uint32_t numMips = 1;
    std::uint32_t reserved = 0;
    std::uint32_t defaultColour = 0;
    // Palette index of pixel (x, y) of a level; by default a pattern that differs per level.
    std::function<std::uint8_t(std::uint32_t level, std::uint32_t x, std::uint32_t y)> pixel;
};

// A texture of the given geometry with the default pixel pattern.
inline MipSpec mipSpec(std::uint32_t width, std::uint32_t heightMinus2, std::uint32_t numMips) {
    MipSpec shape;
    shape.width = width;
    shape.heightMinus2 = heightMinus2;
    shape.numMips = numMips;
    return shape;
}

// The file's bytes: header, records (2^(n-i)-1, its magic, offset by the rule), level data.
std::vector<std::uint8_t> buildMip(const MipSpec& shape);

// Byte position of level i's record in a built file (24 + 12 × i).
inline std::size_t mipRecordPosition(std::size_t level) {
    return 24 + 12 * level;
}

// The level's pixels as the builder makes them, row after row.
std::vector<std::uint8_t> mipLevelPixels(const MipSpec& shape, std::uint32_t level);

}  // namespace vexmor::test
