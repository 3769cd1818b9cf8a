#pragma once

#include <cstdint>

#include "support/pcx_builder.h"

namespace vexmor::sample {

// The sample palette is laid out like a game palette: 16 ramps of 16 shades, darkest first, so a
// texture shades a surface by moving along one ramp. Entry = ramp × 16 + shade.
enum class Ramp : std::uint8_t {
    grey,
    red,
    orange,
    yellow,
    green,
    forest,
    cyan,
    blue,
    navy,
    purple,
    pink,
    brown,
    sand,
    skin,
    steel,
    vivid,  // sixteen unrelated bright colours, for decals and sponsor boards
};

inline constexpr std::uint32_t kShades = 16;
inline constexpr std::uint32_t kRamps = 16;

// The shade is clamped to the ramp, so patterns may overshoot.
inline std::uint8_t paletteIndex(Ramp ramp, std::int32_t shade) {
    const std::int32_t clamped = shade < 0 ? 0 : (shade > 15 ? 15 : shade);
    return static_cast<std::uint8_t>(static_cast<std::uint32_t>(ramp) * kShades +
                                     static_cast<std::uint32_t>(clamped));
}

// The 256 colours: every entry distinct, the same for every seed (the game has one palette).
test::PaletteRgb gamePalette();

}  // namespace vexmor::sample
