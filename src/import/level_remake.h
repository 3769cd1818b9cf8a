#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace vexmor {

// The colours of a smaller level made again from level 0 (colours 0x00BBGGRR, row after row):
// pixel (x, y) of level `level`, `width` × `height`, is the mean of the level-0 pixels in the
// columns x·2^level … x·2^level + 2^level − 1 and the rows ⌊y·H0/height⌋ … ⌊(y+1)·H0/height⌋ − 1
// (at least one row), each channel rounded to the nearest integer.
std::vector<std::uint32_t> remadeLevelColours(std::span<const std::uint32_t> levelZero,
                                              std::uint32_t widthZero, std::uint32_t heightZero,
                                              std::uint32_t level, std::uint32_t width,
                                              std::uint32_t height);

}  // namespace vexmor
