#include "import/level_remake.h"

#include <algorithm>

namespace vexmor {
namespace {

// The mean of the level-0 box, each channel rounded half up.
std::uint32_t boxMean(std::span<const std::uint32_t> levelZero, std::uint64_t widthZero,
                      std::uint64_t firstColumn, std::uint64_t lastColumn, std::uint64_t firstRow,
                      std::uint64_t lastRow) {
    std::uint64_t sums[3] = {0, 0, 0};
    for (std::uint64_t row = firstRow; row < lastRow; ++row) {
        for (std::uint64_t column = firstColumn; column < lastColumn; ++column) {
            const std::uint32_t colour = levelZero[row * widthZero + column];
            sums[0] += colour & 0xFFu;
            sums[1] += (colour >> 8) & 0xFFu;
            sums[2] += (colour >> 16) & 0xFFu;
        }
    }
    const std::uint64_t count = (lastRow - firstRow) * (lastColumn - firstColumn);
    std::uint32_t mean = 0;
    for (int channel = 0; channel < 3; ++channel) {
        mean |= static_cast<std::uint32_t>((2 * sums[channel] + count) / (2 * count))
                << (8 * channel);
    }
    return mean;
}

}  // namespace

std::vector<std::uint32_t> remadeLevelColours(std::span<const std::uint32_t> levelZero,
                                              std::uint32_t widthZero, std::uint32_t heightZero,
                                              std::uint32_t level, std::uint32_t width,
                                              std::uint32_t height) {
    std::vector<std::uint32_t> colours(std::size_t{width} * height);
    if (widthZero == 0 || heightZero == 0 || height == 0 ||
        levelZero.size() < std::uint64_t{widthZero} * heightZero) {
        return colours;
    }
    const std::uint64_t span = level < 64 ? std::uint64_t{1} << level : 0;
    for (std::uint64_t y = 0; y < height; ++y) {
        const std::uint64_t firstRow =
            std::min<std::uint64_t>(y * heightZero / height, heightZero - 1);
        const std::uint64_t lastRow =
            std::clamp<std::uint64_t>((y + 1) * heightZero / height, firstRow + 1, heightZero);
        for (std::uint64_t x = 0; x < width; ++x) {
            const std::uint64_t firstColumn = std::min<std::uint64_t>(x * span, widthZero - 1);
            const std::uint64_t lastColumn =
                std::clamp<std::uint64_t>(x * span + span, firstColumn + 1, widthZero);
            colours[y * width + x] =
                boxMean(levelZero, widthZero, firstColumn, lastColumn, firstRow, lastRow);
        }
    }
    return colours;
}

}  // namespace vexmor
