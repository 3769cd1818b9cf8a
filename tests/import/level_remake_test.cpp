#include "import/level_remake.h"

#include <gtest/gtest.h>

#include <vector>

namespace vexmor {
namespace {

// Level 1 of an 8 × 6 level 0 (stored height 4) is 4 × 4: its rows take level-0 rows
// ⌊y·6/4⌋ … ⌊(y+1)·6/4⌋ − 1, that is {0}, {1, 2}, {3}, {4, 5}; its columns pairs of columns.
TEST(LevelRemake, EachPixelIsTheRoundedMeanOfItsLevelZeroBox) {
    std::vector<std::uint32_t> levelZero(8 * 6);
    for (std::uint32_t y = 0; y < 6; ++y) {
        for (std::uint32_t x = 0; x < 8; ++x) {
            // Red counts columns, green rows, blue 0 or 255 by the row's parity.
            levelZero[y * 8 + x] = (10 * x) | (20 * y) << 8 | (y % 2 == 0 ? 0 : 255u) << 16;
        }
    }
    const std::vector<std::uint32_t> level = remadeLevelColours(levelZero, 8, 6, 1, 4, 4);
    ASSERT_EQ(level.size(), 16u);
    // (0, 0): columns 0-1, row 0: red (0 + 10) / 2 = 5, green 0, blue 0.
    EXPECT_EQ(level[0], 0x00000005u);
    // (1, 1): columns 2-3, rows 1-2: red 25, green (20 + 40) / 2 = 30, blue 255 / 2 = 127.5 → 128.
    EXPECT_EQ(level[1 * 4 + 1], (25u | 30u << 8 | 128u << 16));
    // (3, 2): columns 6-7, row 3: red 65, green 60, blue 255.
    EXPECT_EQ(level[2 * 4 + 3], (65u | 60u << 8 | 255u << 16));
    // (2, 3): columns 4-5, rows 4-5: red 45, green 90, blue 127.5 → 128.
    EXPECT_EQ(level[3 * 4 + 2], (45u | 90u << 8 | 128u << 16));
}

}  // namespace
}  // namespace vexmor
