#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "game_palette.h"
#include "random.h"

namespace vexmor::sample {

// The kinds of surface the sample textures show.
enum class Pattern : std::uint8_t {
    livery,   // car paint: shaded body colour, stripes, a number roundel, a sponsor band
    checker,  // kerbs, flags, chequered panels
    noise,    // tarmac, grass, gravel
    bricks,   // walls, stands, buildings
    sky,      // gradient with clouds
    boards,   // advertising boards with blocky lettering
    tread,    // tyres
    foliage,  // trees and hedges
};

// A kind of texture by its name, as a set's plan lists them.
struct NamedPattern {
    std::string_view name;
    Pattern pattern;
};

// Everything that fixes a texture's pixels. The pattern is defined over the unit square, so every
// mip level shows the same picture at its own resolution, as real mip maps do.
struct TextureLook {
    Pattern pattern = Pattern::noise;
    Ramp primary = Ramp::grey;
    Ramp secondary = Ramp::grey;
    Ramp accent = Ramp::vivid;
    std::uint64_t seed = 0;   // the noise lattice
    std::uint32_t scale = 4;  // features per side: stripes, cells, brick rows
};

// A look of the given pattern with colours that suit it.
TextureLook randomLook(Pattern pattern, Random& random);

// The w × h palette indices of one level, row after row.
std::vector<std::uint8_t> renderLevel(const TextureLook& look, std::uint32_t width,
                                      std::uint32_t height);

}  // namespace vexmor::sample
