#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace vexmor::test {

// 256 red-green-blue triples.
using PaletteRgb = std::array<std::uint8_t, 768>;

// A palette where entry i is (i, 255 - i, (i * 7) & 0xFF): every entry distinct.
PaletteRgb gradientPalette();

// A PCX-like file: `headerBytes` of filler, then the 0x0C marker and the 768 palette bytes.
std::vector<std::uint8_t> buildPcx(const PaletteRgb& palette, std::size_t headerBytes = 128);

// The colour of entry i as the catalogue holds it: 0xFFBBGGRR.
std::uint32_t paletteColour(const PaletteRgb& palette, std::size_t index);

}  // namespace vexmor::test
