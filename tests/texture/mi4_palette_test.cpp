#include "texture/mi4_palette.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <vector>

namespace vexmor {
namespace {

using PaletteRgb = std::array<std::uint8_t, 768>;

void setColour(PaletteRgb& palette, std::size_t index, std::uint8_t r, std::uint8_t g,
               std::uint8_t b) {
    palette[3 * index] = r;
    palette[3 * index + 1] = g;
    palette[3 * index + 2] = b;
}

// `count` pixels of each index in turn.
std::vector<std::uint8_t> pixelsWithCounts(const std::vector<std::pair<std::uint8_t, int>>& runs) {
    std::vector<std::uint8_t> pixels;
    for (const auto& [index, count] : runs) {
        pixels.insert(pixels.end(), static_cast<std::size_t>(count), index);
    }
    return pixels;
}

// Entry i of red 8 × i: 32 colours distinct in red alone, then black.
PaletteRgb redRamp() {
    PaletteRgb palette{};
    for (std::size_t i = 0; i < 32; ++i) {
        setColour(palette, i, static_cast<std::uint8_t>(8 * i), 0, 0);
    }
    return palette;
}

TEST(Mi4Palette, MostFrequentColoursTakeTheLowestSlots) {
    const PaletteRgb palette = redRamp();
    const auto pixels = pixelsWithCounts({{5, 1}, {9, 7}, {7, 3}});
    const Mi4LevelPalette result = buildMi4LevelPalette(pixels, palette);
    EXPECT_EQ(result.slotOfIndex[9], 0);
    EXPECT_EQ(result.slotOfIndex[7], 1);
    EXPECT_EQ(result.slotOfIndex[5], 2);
    EXPECT_EQ(result.entries[0], (72 >> 3) << 11);
    // Spare slots are filled from the unused indices in index order: 0 (black), 1, 2, ...
    EXPECT_EQ(result.entries[3], 0);
    EXPECT_EQ(result.entries[4], 1 << 11);
    EXPECT_EQ(result.filledSlots, 16u);
}

TEST(Mi4Palette, EqualCountsGiveTheLowerIndexTheLowerSlot) {
    const PaletteRgb palette = redRamp();
    const auto pixels = pixelsWithCounts({{20, 4}, {12, 4}, {3, 2}});
    const Mi4LevelPalette result = buildMi4LevelPalette(pixels, palette);
    EXPECT_EQ(result.slotOfIndex[12], 0);
    EXPECT_EQ(result.slotOfIndex[20], 1);
    EXPECT_EQ(result.slotOfIndex[3], 2);
}

TEST(Mi4Palette, QuantisationMergesColoursAndSkipsDuplicates) {
    PaletteRgb palette = redRamp();
    setColour(palette, 40, 0xFF, 0xFF, 0xFF);
    setColour(palette, 41, 0xFB, 0xFE, 0xFC);  // the same colour at RGB565 precision
    setColour(palette, 42, 0x07, 0x03, 0x07);  // black at RGB565 precision
    const auto pixels = pixelsWithCounts({{40, 5}, {41, 4}, {42, 3}, {0, 1}});
    const Mi4LevelPalette result = buildMi4LevelPalette(pixels, palette);
    EXPECT_EQ(result.entries[0], 0xFFFF);
    EXPECT_EQ(result.entries[1], 0x0000);
    EXPECT_EQ(result.slotOfIndex[40], 0);
    EXPECT_EQ(result.slotOfIndex[41], 0);
    EXPECT_EQ(result.slotOfIndex[42], 1);
    EXPECT_EQ(result.slotOfIndex[0], 1);
    // Index 1 (red 8) is the next new colour in the walk.
    EXPECT_EQ(result.entries[2], 1 << 11);
}

TEST(Mi4Palette, ColoursDifferingOnlyInBlueShareTheFirstSlotOfTheirRedAndGreen) {
    PaletteRgb palette{};
    setColour(palette, 1, 0x80, 0x40, 0x10);
    setColour(palette, 2, 0x80, 0x40, 0xF0);
    const auto pixels = pixelsWithCounts({{1, 3}, {2, 2}});
    const Mi4LevelPalette result = buildMi4LevelPalette(pixels, palette);
    // Both colours get their own slot, but the pixels of both map to the first.
    EXPECT_EQ(result.entries[1], (0x80 >> 3) << 11 | (0x40 >> 2) << 5 | 0xF0 >> 3);
    EXPECT_EQ(result.slotOfIndex[1], 0);
    EXPECT_EQ(result.slotOfIndex[2], 0);
}

TEST(Mi4Palette, ColoursLeftOutTakeTheSlotOfTheNearestRed) {
    // Indices 0 to 15 hold red 16 × i and are the 16 most frequent; 16 and 17 miss out.
    PaletteRgb palette{};
    for (std::size_t i = 0; i < 16; ++i) {
        setColour(palette, i, static_cast<std::uint8_t>(16 * i), 0, 0);
    }
    setColour(palette, 16, 24, 200, 0);  // 16 and 32 are equally near: the lower slot wins
    setColour(palette, 17, 150, 50, 0);  // red 144 as in slot 9, green differs
    std::vector<std::pair<std::uint8_t, int>> runs;
    for (int i = 0; i < 16; ++i) {
        runs.push_back({static_cast<std::uint8_t>(i), 40 - i});
    }
    runs.push_back({16, 3});
    runs.push_back({17, 2});
    const Mi4LevelPalette result = buildMi4LevelPalette(pixelsWithCounts(runs), palette);
    for (std::uint8_t i = 0; i < 16; ++i) {
        EXPECT_EQ(result.slotOfIndex[i], i);
    }
    EXPECT_EQ(result.slotOfIndex[16], 1);
    EXPECT_EQ(result.slotOfIndex[17], 9);
}

TEST(Mi4Palette, WithoutAPaletteOneSlotIsFilledAndTheRestAreZero) {
    const PaletteRgb none{};
    const Mi4LevelPalette result = buildMi4LevelPalette(pixelsWithCounts({{3, 5}, {9, 2}}), none);
    EXPECT_EQ(result.filledSlots, 1u);
    for (const std::uint8_t slot : result.slotOfIndex) {
        EXPECT_EQ(slot, 0);
    }
}

TEST(Mi4Palette, UnfilledSlotsAreZeroAndNeverChosen) {
    PaletteRgb palette{};
    for (std::size_t i = 0; i < 256; ++i) {
        setColour(palette, i, 200, 100, 50);
    }
    setColour(palette, 7, 0, 252, 0);
    const Mi4LevelPalette result =
        buildMi4LevelPalette(pixelsWithCounts({{7, 4}, {0, 1}, {1, 1}}), palette);
    EXPECT_EQ(result.filledSlots, 2u);
    EXPECT_EQ(result.entries[0], 0x07E0);
    EXPECT_EQ(result.entries[1], (200 >> 3) << 11 | (100 >> 2) << 5 | 50 >> 3);
    for (std::size_t s = 2; s < 16; ++s) {
        EXPECT_EQ(result.entries[s], 0) << s;
    }
    for (std::size_t index = 0; index < 256; ++index) {
        EXPECT_EQ(result.slotOfIndex[index], index == 7 ? 0 : 1) << index;
    }
}

// The slot rules searched directly over the filled slots, for comparison with the tables the
// builder uses.
std::uint8_t slotBySearch(const Mi4LevelPalette& result, std::uint32_t r, std::uint32_t g) {
    const auto redOf = [](std::uint32_t entry) { return (entry >> 11) << 3; };
    const auto greenOf = [](std::uint32_t entry) { return ((entry >> 5) & 0x3Fu) << 2; };
    for (std::size_t s = 0; s < result.filledSlots; ++s) {
        if (redOf(result.entries[s]) == (r & 0xF8) && greenOf(result.entries[s]) == (g & 0xFC)) {
            return static_cast<std::uint8_t>(s);
        }
    }
    std::size_t best = 0;
    int bestDistance = 256;
    for (std::size_t s = 0; s < result.filledSlots; ++s) {
        const int distance =
            std::abs(static_cast<int>(redOf(result.entries[s])) - static_cast<int>(r & 0xF8));
        if (distance < bestDistance) {
            best = s;
            bestDistance = distance;
        }
    }
    return static_cast<std::uint8_t>(best);
}

TEST(Mi4Palette, EveryIndexTakesTheSlotTheRulesGiveOnRandomPalettes) {
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        PaletteRgb palette{};
        // Few distinct channel values make exact matches, shared red and ties common.
        const unsigned spread = round % 2 == 0 ? 4 : 256;
        for (std::uint8_t& channel : palette) {
            channel = static_cast<std::uint8_t>(random() % spread * (256 / spread));
        }
        std::vector<std::uint8_t> pixels(random() % 600);
        for (std::uint8_t& pixel : pixels) {
            pixel = static_cast<std::uint8_t>(random() % (round % 3 == 0 ? 20 : 256));
        }
        const Mi4LevelPalette result = buildMi4LevelPalette(pixels, palette);
        for (std::size_t index = 0; index < 256; ++index) {
            ASSERT_EQ(result.slotOfIndex[index],
                      slotBySearch(result, palette[3 * index], palette[3 * index + 1]))
                << "round " << round << ", index " << index;
        }
    }
}

TEST(Mi4Palette, PackingPutsTheEarlierPixelInTheHighNibble) {
    Mi4LevelPalette palette;
    palette.slotOfIndex[10] = 3;
    palette.slotOfIndex[20] = 12;
    palette.slotOfIndex[30] = 15;
    const std::vector<std::uint8_t> pixels{10, 20, 20, 10, 30};
    EXPECT_EQ(packMi4Pixels(pixels, palette), (std::vector<std::uint8_t>{0x3C, 0xC3, 0xF0}));
    const std::vector<std::uint8_t> onePixel{20};
    EXPECT_EQ(packMi4Pixels(onePixel, palette), (std::vector<std::uint8_t>{0xC0}));
    EXPECT_TRUE(packMi4Pixels({}, palette).empty());
}

}  // namespace
}  // namespace vexmor
