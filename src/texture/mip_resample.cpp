#include "texture/mip_resample.h"

#include <algorithm>

namespace vexmor {

namespace {

// Rounds r × from / to to the nearest whole row, halves upwards.
std::uint64_t nearestSourceRow(std::uint64_t row, std::uint64_t from, std::uint64_t to) {
    return std::min(from - 1, (2 * row * from + to) / (2 * to));
}

}  // namespace

std::vector<std::uint8_t> resampleLevel(std::span<const std::uint8_t> pixels, LevelSize source,
                                        std::uint64_t stepX, LevelSize target) {
    std::vector<std::uint8_t> out;
    if (source.height == 0 || target.height == 0 || target.width == 0) {
        return out;
    }
    out.reserve(static_cast<std::size_t>(target.width * target.height));
    for (std::uint64_t r = 0; r < target.height; ++r) {
        const std::uint64_t rowStart =
            nearestSourceRow(r, source.height, target.height) * source.width;
        for (std::uint64_t j = 0; j < target.width; ++j) {
            const std::uint64_t at = rowStart + j * stepX;
            out.push_back(at < pixels.size() ? pixels[static_cast<std::size_t>(at)] : 0);
        }
    }
    return out;
}

}  // namespace vexmor
