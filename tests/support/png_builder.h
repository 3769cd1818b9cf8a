#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace vexmor::test {

// A PNG to build byte by byte, without a library, so the same images reach the libpng and the
// Windows decoder. `samples` holds the rows as the file stores them, filter bytes not included:
// height rows of (width × channels × bitDepth + 7) / 8 bytes, 16-bit samples big-endian.
struct PngLayout {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint8_t bitDepth = 8;
    std::uint8_t colourType = 2;  // 0 grey, 2 RGB, 3 palette, 4 grey + alpha, 6 RGBA
    std::vector<std::uint8_t> samples;
    std::vector<std::uint8_t> palette;  // RGB triples, for colour type 3
};

// Signature, IHDR, PLTE when given, one IDAT of stored deflate blocks, IEND.
std::vector<std::uint8_t> buildPng(const PngLayout& layout);

// An 8-bit RGB image of the colours 0x..BBGGRR (the alpha byte ignored), row after row.
std::vector<std::uint8_t> buildRgbPng(std::uint32_t width, std::uint32_t height,
                                      std::span<const std::uint32_t> colours);

}  // namespace vexmor::test
