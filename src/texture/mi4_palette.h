#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "texture/mi4_file.h"

namespace vexmor {

// The 16-colour palette of one MI4 level and the slot of every MIP palette index.
struct Mi4LevelPalette {
    std::array<std::uint16_t, kMi4PaletteSlots> entries{};  // RGB565; unfilled slots hold 0
    std::size_t filledSlots = 0;
    // The slot depends only on the pixel's palette index, so it is looked up once per index
    // rather than searched per pixel.
    std::array<std::uint8_t, 256> slotOfIndex{};
};

// Builds the level's palette from its pixels: the most frequent colours, quantised to RGB565
// precision and without duplicates, take the lowest slots. `paletteRgb` holds 256 RGB triples.
Mi4LevelPalette buildMi4LevelPalette(std::span<const std::uint8_t> pixels,
                                     std::span<const std::uint8_t, 768> paletteRgb);

// Two slots a byte, the earlier pixel in the high nibble; an odd last pixel leaves the low
// nibble 0.
std::vector<std::uint8_t> packMi4Pixels(std::span<const std::uint8_t> pixels,
                                        const Mi4LevelPalette& palette);

// The 32 palette bytes of a level block, slot 0 first, little-endian.
std::array<std::uint8_t, kMi4PaletteBytes> encodeMi4Palette(const Mi4LevelPalette& palette);

}  // namespace vexmor
