#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace vexmor {

// The size of one mip level in pixels.
struct LevelSize {
    std::uint64_t width = 0;
    std::uint64_t height = 0;
};

// Shrinks one level by point sampling, without filtering: output pixel (j, r) is source pixel
// (j × stepX, nearest source row to r × source.height / target.height, clamped to the last row).
// With target.height equal to source.height every row is kept, so the horizontal case keeps the
// leftmost pixel of each group of stepX. Source bytes the level lacks read as zero.
std::vector<std::uint8_t> resampleLevel(std::span<const std::uint8_t> pixels, LevelSize source,
                                        std::uint64_t stepX, LevelSize target);

}  // namespace vexmor
