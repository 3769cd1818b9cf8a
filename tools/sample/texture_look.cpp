#include "texture_look.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace vexmor::sample {
namespace {

// Texture coordinates are 16.16 fixed point over the unit square: integer arithmetic keeps the
// output identical on every machine.
constexpr std::uint32_t kOne = 65536;

std::uint32_t hash3(std::uint64_t seed, std::uint32_t x, std::uint32_t y) {
    std::uint64_t z = seed ^ (std::uint64_t{x} * 0x9E3779B97F4A7C15ull) ^
                      (std::uint64_t{y} * 0xC2B2AE3D27D4EB4Full);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<std::uint32_t>(z ^ (z >> 31));
}

// Value noise on a lattice of `cells` per side, wrapping so that textures tile; 0 to 255.
std::uint32_t valueNoise(std::uint64_t seed, std::uint32_t cells, std::uint32_t u,
                         std::uint32_t v) {
    const std::uint64_t gx = std::uint64_t{u} * cells;
    const std::uint64_t gy = std::uint64_t{v} * cells;
    const std::uint32_t ix = static_cast<std::uint32_t>(gx >> 16);
    const std::uint32_t iy = static_cast<std::uint32_t>(gy >> 16);
    const std::uint32_t fx = static_cast<std::uint32_t>(gx & 0xFFFF) >> 8;  // 0 .. 255
    const std::uint32_t fy = static_cast<std::uint32_t>(gy & 0xFFFF) >> 8;
    const auto corner = [&](std::uint32_t x, std::uint32_t y) {
        return hash3(seed, x % cells, y % cells) & 0xFF;
    };
    const std::uint32_t top = corner(ix, iy) * (256 - fx) + corner(ix + 1, iy) * fx;
    const std::uint32_t bottom = corner(ix, iy + 1) * (256 - fx) + corner(ix + 1, iy + 1) * fx;
    return (top * (256 - fy) + bottom * fy) >> 16;
}

// Two octaves: broad variation with some grain. Averaging gathers the values near the middle,
// so they are spread again to reach the ends of a ramp.
std::uint32_t fractalNoise(const TextureLook& look, std::uint32_t u, std::uint32_t v) {
    const std::int32_t mixed =
        static_cast<std::int32_t>((2 * valueNoise(look.seed, look.scale, u, v) +
                                   valueNoise(look.seed + 1, look.scale * 4, u, v)) /
                                  3);
    return static_cast<std::uint32_t>(std::clamp(128 + (mixed - 128) * 2, 0, 255));
}

// A fine speckle fixed to the texture, not to the pixel grid, so it survives in every level.
bool speckle(const TextureLook& look, std::uint32_t u, std::uint32_t v, std::uint32_t percent) {
    return hash3(look.seed + 7, u >> 10, v >> 10) % 100 < percent;
}

std::int32_t noiseShade(std::uint32_t noise, std::int32_t low, std::int32_t span) {
    return low + static_cast<std::int32_t>(noise) * span / 256;
}

std::uint8_t livery(const TextureLook& look, std::uint32_t u, std::uint32_t v) {
    // The roundel: a white disc ringed in black, left of centre.
    const std::int64_t dx = std::int64_t{u} - kOne * 3 / 10;
    const std::int64_t dy = std::int64_t{v} - kOne / 2;
    const std::int64_t d2 = dx * dx + dy * dy;
    const std::int64_t r = kOne * 15 / 100;
    if (d2 < r * r) {
        return paletteIndex(Ramp::grey, 15 - static_cast<std::int32_t>(d2 * 3 / (r * r)));
    }
    if (d2 < (r + kOne / 50) * (r + kOne / 50)) {
        return paletteIndex(Ramp::grey, 0);
    }
    // The sponsor band along the bottom, in changing colours.
    if (v > kOne * 8 / 10 && v < kOne * 9 / 10) {
        return paletteIndex(look.accent, static_cast<std::int32_t>((u * 8) >> 16) +
                                             static_cast<std::int32_t>(look.seed & 7));
    }
    // Body colour shaded like a rounded panel, with diagonal stripes.
    const std::int32_t fromMiddle = std::abs(static_cast<std::int32_t>(v) - 32768) / 3277;  // 0-10
    const std::int32_t shade =
        13 - fromMiddle + static_cast<std::int32_t>(fractalNoise(look, u, v) / 128);
    const std::uint32_t stripe =
        static_cast<std::uint32_t>(((std::uint64_t{u} + v) * look.scale) >> 16);
    return paletteIndex(stripe % 4 == 0 ? look.secondary : look.primary, shade);
}

std::uint8_t checker(const TextureLook& look, std::uint32_t u, std::uint32_t v) {
    const std::uint32_t cell = ((u * look.scale) >> 16) + ((v * look.scale) >> 16);
    const std::int32_t shade = noiseShade(fractalNoise(look, u, v), 7, 8);
    return paletteIndex(cell % 2 == 0 ? look.primary : look.secondary, shade);
}

std::uint8_t noise(const TextureLook& look, std::uint32_t u, std::uint32_t v) {
    if (speckle(look, u, v, 6)) {
        return paletteIndex(look.secondary,
                            static_cast<std::int32_t>(hash3(look.seed, u, v) % 6) + 8);
    }
    return paletteIndex(look.primary, noiseShade(fractalNoise(look, u, v), 2, 12));
}

std::uint8_t bricks(const TextureLook& look, std::uint32_t u, std::uint32_t v) {
    const std::uint32_t rows = look.scale * 2;
    const std::uint32_t columns = look.scale;
    const std::uint32_t gy = v * rows;
    const std::uint32_t row = gy >> 16;
    const std::uint32_t gx = u * columns + (row % 2 == 1 ? kOne / 2 : 0);
    const std::uint32_t column = gx >> 16;
    const std::uint32_t fx = gx & 0xFFFF;
    const std::uint32_t fy = gy & 0xFFFF;
    if (fx < kOne / 16 || fy < kOne / 8) {
        return paletteIndex(Ramp::grey,
                            9 + static_cast<std::int32_t>(hash3(look.seed, column, row) % 3));
    }
    const std::int32_t brick =
        static_cast<std::int32_t>(hash3(look.seed + 3, column % columns, row) % 6);
    const std::int32_t grain = static_cast<std::int32_t>(fractalNoise(look, u, v) / 86);
    return paletteIndex(brick == 5 ? look.secondary : look.primary, 4 + brick + grain);
}

std::uint8_t sky(const TextureLook& look, std::uint32_t u, std::uint32_t v) {
    const std::uint32_t cloud = fractalNoise(look, u, v);
    if (cloud > 150) {
        return paletteIndex(Ramp::grey, 11 + static_cast<std::int32_t>((cloud - 150) / 24));
    }
    return paletteIndex(look.primary, 6 + static_cast<std::int32_t>((v * 9) >> 16));
}

std::uint8_t boards(const TextureLook& look, std::uint32_t u, std::uint32_t v) {
    if (u < kOne / 32 || u > kOne - kOne / 32 || v < kOne / 16 || v > kOne - kOne / 16) {
        return paletteIndex(Ramp::grey, 15);
    }
    // Blocky lettering: a band five cells high, letters three cells wide with a gap between.
    if (v > kOne * 3 / 10 && v < kOne * 7 / 10) {
        const std::uint32_t cx = (u * look.scale * 6) >> 16;
        const std::uint32_t cy = ((v - kOne * 3 / 10) * 25 / 2) >> 16;  // 0 .. 4
        if (cx % 4 != 3 && hash3(look.seed, cx, cy) % 3 != 0) {
            return look.seed % 2 == 0
                       ? paletteIndex(Ramp::grey, 15)
                       : paletteIndex(look.accent, static_cast<std::int32_t>(look.seed % 16));
        }
    }
    // A weathered background: light towards the bottom, with blotches.
    const std::int32_t wear = noiseShade(fractalNoise(look, u, v), 0, 6);
    return paletteIndex(look.primary, 4 + static_cast<std::int32_t>((v * 6) >> 16) + wear);
}

std::uint8_t tread(const TextureLook& look, std::uint32_t u, std::uint32_t v) {
    if (u < kOne / 10 || u > kOne - kOne / 10) {
        // Sidewall with the maker's lettering.
        const bool letter = hash3(look.seed, u >> 12, (v * 16) >> 16) % 4 == 0;
        return letter ? paletteIndex(look.accent, 14) : paletteIndex(Ramp::grey, 2);
    }
    const std::uint32_t groove = (v * look.scale * 2) & 0xFFFF;
    // Rubber shows its wear in many close shades; the grooves stay dark.
    return paletteIndex(Ramp::grey,
                        groove < kOne / 4 ? 1 : noiseShade(fractalNoise(look, u, v), 2, 7));
}

std::uint8_t foliage(const TextureLook& look, std::uint32_t u, std::uint32_t v) {
    const std::int64_t fromAxis = std::abs(static_cast<std::int64_t>(u) - kOne / 2);
    if (v > kOne * 7 / 10 && fromAxis < kOne / 16) {
        return paletteIndex(Ramp::brown, 4 + static_cast<std::int32_t>(fromAxis * 8 / (kOne / 16)));
    }
    const std::uint32_t leaves = fractalNoise(look, u, v);
    if (leaves > 100) {
        return paletteIndex(look.primary, noiseShade(leaves - 100, 4, 22));
    }
    return paletteIndex(look.secondary, noiseShade(leaves, 1, 6));
}

// The picture of each pattern, in the order of the enumeration.
using Painter = std::uint8_t (*)(const TextureLook&, std::uint32_t u, std::uint32_t v);
constexpr std::array<Painter, 8> kPainters{livery, checker, noise, bricks,
                                           sky,    boards,  tread, foliage};

Painter painterOf(Pattern pattern) {
    return kPainters[static_cast<std::size_t>(pattern)];
}

constexpr std::array<Ramp, 9> kPaint{Ramp::red,  Ramp::orange, Ramp::yellow,
                                     Ramp::blue, Ramp::navy,   Ramp::purple,
                                     Ramp::pink, Ramp::green,  Ramp::cyan};
constexpr std::array<Ramp, 4> kGround{Ramp::grey, Ramp::green, Ramp::sand, Ramp::brown};
constexpr std::array<Ramp, 4> kMasonry{Ramp::brown, Ramp::red, Ramp::sand, Ramp::steel};

template <std::size_t N>
Ramp pick(const std::array<Ramp, N>& ramps, Random& random) {
    return ramps[random.below(static_cast<std::uint32_t>(N))];
}

}  // namespace

TextureLook randomLook(Pattern pattern, Random& random) {
    TextureLook look;
    look.pattern = pattern;
    look.seed = random.next();
    look.scale = 2 + random.below(6);
    look.accent = Ramp::vivid;
    switch (pattern) {
        case Pattern::livery:
        case Pattern::checker:
        case Pattern::boards:
            look.primary = pick(kPaint, random);
            look.secondary = pattern == Pattern::checker && random.chance(50)
                                 ? Ramp::grey
                                 : pick(kPaint, random);
            break;
        case Pattern::noise:
            look.primary = pick(kGround, random);
            look.secondary = pick(kGround, random);
            break;
        case Pattern::bricks:
            look.primary = pick(kMasonry, random);
            look.secondary = pick(kMasonry, random);
            break;
        case Pattern::sky:
            look.primary = random.chance(70) ? Ramp::blue : Ramp::cyan;
            break;
        case Pattern::tread:
            look.accent = random.chance(50) ? Ramp::yellow : Ramp::grey;
            break;
        case Pattern::foliage:
            look.primary = Ramp::green;
            look.secondary = Ramp::forest;
            break;
    }
    return look;
}

std::vector<std::uint8_t> renderLevel(const TextureLook& look, std::uint32_t width,
                                      std::uint32_t height) {
    const Painter paint = painterOf(look.pattern);
    std::vector<std::uint8_t> pixels;
    pixels.reserve(std::size_t{width} * height);
    for (std::uint32_t y = 0; y < height; ++y) {
        // Pixel centres, so that each level samples the picture evenly.
        const std::uint32_t v =
            static_cast<std::uint32_t>(((2 * std::uint64_t{y} + 1) << 15) / height);
        for (std::uint32_t x = 0; x < width; ++x) {
            const std::uint32_t u =
                static_cast<std::uint32_t>(((2 * std::uint64_t{x} + 1) << 15) / width);
            pixels.push_back(paint(look, u, v));
        }
    }
    return pixels;
}

}  // namespace vexmor::sample
