#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace vexmor::test {

// A PNG image as read back: pixels row after row from the top as 0xAABBGGRR (red in the low
// byte), whatever the stored form; colourType and bitDepth are those of the file's header
// (PNG_COLOR_TYPE_PALETTE is 3, RGB 2, RGBA 6).
struct DecodedPng {
    std::uint32_t width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    int colourType = -1;
    int bitDepth = 0;
};

// Decodes a PNG file; nothing when the file is missing or not a valid PNG.
std::optional<DecodedPng> decodePng(const std::filesystem::path& file);

}  // namespace vexmor::test
