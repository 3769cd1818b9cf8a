#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace vexmor::bench {

using Palette = std::array<std::uint32_t, 256>;  // 0xFFBBGGRR

// One mip level mapped through the palette.
struct LevelPixels {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint32_t> pixels;
};

// The 256 colours at the end of a PCX file; nothing when it has no palette block.
std::optional<Palette> readPcxPalette(const std::filesystem::path& pcx);

// Every level of a MIP texture, read with the tool's own MIP readers; empty when the file
// cannot be read or its levels are out of bounds.
std::vector<LevelPixels> readMipLevels(const std::filesystem::path& mip, const Palette& palette);

// The MIP textures right inside `folder`, sorted by name.
std::vector<std::filesystem::path> mipFilesIn(const std::filesystem::path& folder);

}  // namespace vexmor::bench
