#pragma once

#include <cstdint>
#include <span>
#include <unordered_map>
#include <vector>

namespace vexmor {

// Turns image colours back into palette indices. Colours are compared as 0x00BBGGRR: alpha, and
// the alpha byte of the palette's colours, play no part.
class IndexMapping {
public:
    // `colours` holds the palette's colours in index order (256 for a MIP, 16 for an MI4 level).
    explicit IndexMapping(std::span<const std::uint32_t> colours);

    struct Result {
        std::uint8_t index = 0;
        bool approximate = false;
    };

    // The index for a pixel of `colour` whose texture holds `current`: `current` itself when the
    // export shows that pixel in this colour (`shown`); else the lowest index of exactly this
    // colour; else the index of the nearest colour by squared distance in RGB, the lowest index on
    // a tie, marked approximate.
    Result map(std::uint32_t colour, std::uint32_t shown, std::uint8_t current);

private:
    std::uint8_t nearest(std::uint32_t colour) const;

    std::vector<std::uint32_t> colours_;
    std::unordered_map<std::uint32_t, std::uint8_t> lowestIndex_;
    // Colours in no palette repeat over an image; each is searched once.
    std::unordered_map<std::uint32_t, std::uint8_t> nearestCache_;
};

// Drops the alpha byte of a 0xAABBGGRR colour.
inline std::uint32_t rgbOf(std::uint32_t colour) {
    return colour & 0x00FFFFFFu;
}

}  // namespace vexmor
