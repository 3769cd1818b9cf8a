#include "texture/mi4_palette.h"

#include <algorithm>
#include <cstdlib>
#include <functional>

namespace vexmor {
namespace {

// A MIP palette colour cut to RGB565 precision, as 0xRRGGBB.
std::uint32_t quantisedColour(std::span<const std::uint8_t, 768> paletteRgb, std::size_t index) {
    const std::uint32_t red = paletteRgb[3 * index] & 0xF8u;
    const std::uint32_t green = paletteRgb[3 * index + 1] & 0xFCu;
    const std::uint32_t blue = paletteRgb[3 * index + 2] & 0xF8u;
    return red << 16 | green << 8 | blue;
}

std::uint32_t redOf(std::uint32_t colour) {
    return colour >> 16;
}
std::uint32_t greenOf(std::uint32_t colour) {
    return (colour >> 8) & 0xFFu;
}

std::uint16_t rgb565(std::uint32_t colour) {
    return static_cast<std::uint16_t>((redOf(colour) >> 3) << 11 | (greenOf(colour) >> 2) << 5 |
                                      (colour & 0xFFu) >> 3);
}

// Red and green decide; blue is not compared. Without an exact match the nearest red wins,
// the lower slot on equal distances. Only filled slots take part. Colours are quantised, so
// red has 32 values and red with green 2,048: both answers come from small tables built once
// per level instead of a search over the slots for each of the 256 indices.
class SlotFinder {
public:
    explicit SlotFinder(std::span<const std::uint32_t> slots) {
        for (std::size_t s = slots.size(); s-- > 0;) {
            exactSlot_[keyOf(slots[s])] = static_cast<std::uint8_t>(s + 1);
        }
        for (std::uint32_t red = 0; red < nearestSlot_.size(); ++red) {
            int bestDistance = 256;
            for (std::size_t s = 0; s < slots.size(); ++s) {
                const int distance =
                    std::abs(static_cast<int>(redOf(slots[s]) >> 3) - static_cast<int>(red));
                if (distance < bestDistance) {
                    nearestSlot_[red] = static_cast<std::uint8_t>(s);
                    bestDistance = distance;
                }
            }
        }
    }

    std::uint8_t slotFor(std::uint32_t colour) const {
        const std::uint8_t exact = exactSlot_[keyOf(colour)];
        return exact != 0 ? static_cast<std::uint8_t>(exact - 1) : nearestSlot_[redOf(colour) >> 3];
    }

private:
    static std::size_t keyOf(std::uint32_t colour) {
        return (redOf(colour) >> 3) << 6 | greenOf(colour) >> 2;
    }

    std::array<std::uint8_t, 32 * 64> exactSlot_{};  // slot + 1; 0 when no slot matches
    std::array<std::uint8_t, 32> nearestSlot_{};
};

}  // namespace

Mi4LevelPalette buildMi4LevelPalette(std::span<const std::uint8_t> pixels,
                                     std::span<const std::uint8_t, 768> paletteRgb) {
    std::array<std::uint64_t, 256> counts{};
    for (const std::uint8_t index : pixels) {
        ++counts[index];
    }
    // Most frequent first; equal counts keep ascending index order. Unused indices follow, so
    // a level with few colours fills its spare slots from the palette in index order. Each key
    // holds the count above the inverted index, so one descending sort of plain numbers gives
    // that order.
    std::array<std::uint64_t, 256> order{};
    for (std::size_t index = 0; index < order.size(); ++index) {
        order[index] = counts[index] << 8 | (255 - index);
    }
    std::sort(order.begin(), order.end(), std::greater<>());

    std::array<std::uint32_t, kMi4PaletteSlots> slotColours{};
    std::size_t filled = 0;
    for (const std::uint64_t key : order) {
        if (filled == kMi4PaletteSlots) {
            break;
        }
        const std::uint32_t colour = quantisedColour(paletteRgb, 255 - (key & 0xFFu));
        const auto used = std::span(slotColours).first(filled);
        if (std::find(used.begin(), used.end(), colour) == used.end()) {
            slotColours[filled++] = colour;
        }
    }

    Mi4LevelPalette palette;
    palette.filledSlots = filled;
    for (std::size_t s = 0; s < filled; ++s) {
        palette.entries[s] = rgb565(slotColours[s]);
    }
    const SlotFinder finder(std::span<const std::uint32_t>(slotColours).first(filled));
    for (std::size_t index = 0; index < palette.slotOfIndex.size(); ++index) {
        palette.slotOfIndex[index] = finder.slotFor(quantisedColour(paletteRgb, index));
    }
    return palette;
}

std::vector<std::uint8_t> packMi4Pixels(std::span<const std::uint8_t> pixels,
                                        const Mi4LevelPalette& palette) {
    std::vector<std::uint8_t> packed(mi4PackedSize(pixels.size()));
    const auto& slot = palette.slotOfIndex;
    const std::size_t pairs = pixels.size() / 2;
    for (std::size_t i = 0; i < pairs; ++i) {
        packed[i] = static_cast<std::uint8_t>(slot[pixels[2 * i]] << 4 | slot[pixels[2 * i + 1]]);
    }
    if (pixels.size() % 2 != 0) {
        packed[pairs] = static_cast<std::uint8_t>(slot[pixels.back()] << 4);
    }
    return packed;
}

std::array<std::uint8_t, kMi4PaletteBytes> encodeMi4Palette(const Mi4LevelPalette& palette) {
    std::array<std::uint8_t, kMi4PaletteBytes> bytes{};
    for (std::size_t s = 0; s < kMi4PaletteSlots; ++s) {
        writeU16(bytes, 2 * s, palette.entries[s]);
    }
    return bytes;
}

}  // namespace vexmor
