#include "game_palette.h"

#include <array>

namespace vexmor::sample {
namespace {

struct Rgb {
    std::uint32_t r, g, b;
};

// Each ramp's colour at full strength; the vivid ramp lists its sixteen colours instead.
constexpr std::array<Rgb, kRamps - 1> kRampColours{{
    {255, 255, 255},  // grey
    {230, 30, 24},    // red
    {240, 128, 20},   // orange
    {244, 220, 40},   // yellow
    {80, 200, 60},    // green
    {30, 120, 40},    // forest
    {40, 200, 210},   // cyan
    {40, 90, 230},    // blue
    {30, 40, 120},    // navy
    {150, 60, 200},   // purple
    {240, 110, 170},  // pink
    {140, 84, 40},    // brown
    {222, 196, 140},  // sand
    {232, 176, 140},  // skin
    {120, 140, 160},  // steel
}};

constexpr std::array<Rgb, kShades> kVivid{{
    {255, 0, 0},
    {0, 255, 0},
    {0, 0, 255},
    {255, 255, 0},
    {255, 0, 255},
    {0, 255, 255},
    {255, 128, 0},
    {128, 0, 255},
    {0, 128, 64},
    {255, 64, 128},
    {64, 255, 128},
    {128, 255, 0},
    {0, 64, 255},
    {192, 0, 64},
    {250, 250, 210},
    {24, 24, 24},
}};

// Shades 0 to 11 darken the colour towards black, 12 to 15 lift it towards white, so that every
// ramp has deep shadows and highlights.
Rgb shadeOf(Rgb full, std::uint32_t shade) {
    if (shade < 12) {
        const std::uint32_t k = shade + 1;  // 1 .. 12
        return {full.r * k / 12, full.g * k / 12, full.b * k / 12};
    }
    const std::uint32_t k = shade - 11;  // 1 .. 4, up to half way to white
    return {full.r + (255 - full.r) * k / 8, full.g + (255 - full.g) * k / 8,
            full.b + (255 - full.b) * k / 8};
}

}  // namespace

test::PaletteRgb gamePalette() {
    test::PaletteRgb palette{};
    for (std::uint32_t ramp = 0; ramp < kRamps; ++ramp) {
        for (std::uint32_t shade = 0; shade < kShades; ++shade) {
            Rgb colour;
            if (ramp == static_cast<std::uint32_t>(Ramp::grey)) {
                colour = {shade * 17, shade * 17, shade * 17};
            } else if (ramp == static_cast<std::uint32_t>(Ramp::vivid)) {
                colour = kVivid[shade];
            } else {
                colour = shadeOf(kRampColours[ramp], shade);
            }
            const std::size_t at = 3 * (ramp * kShades + shade);
            palette[at] = static_cast<std::uint8_t>(colour.r);
            palette[at + 1] = static_cast<std::uint8_t>(colour.g);
            palette[at + 2] = static_cast<std::uint8_t>(colour.b);
        }
    }
    return palette;
}

}  // namespace vexmor::sample
