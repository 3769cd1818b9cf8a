#include "peer/peer_levels.h"

#include <algorithm>
#include <fstream>
#include <iostream>

#include "app/console.h"
#include "common/text.h"
#include "texture/mip_reader.h"

namespace vexmor::bench {

std::optional<Palette> readPcxPalette(const std::filesystem::path& pcx) {
    std::ifstream in(pcx, std::ios::binary);
    std::array<std::uint8_t, 769> block{};
    in.seekg(-static_cast<std::streamoff>(block.size()), std::ios::end);
    if (!in.read(reinterpret_cast<char*>(block.data()), block.size()) || block[0] != 0x0C) {
        return std::nullopt;
    }
    Palette palette{};
    for (std::size_t i = 0; i < palette.size(); ++i) {
        palette[i] = 0xFF000000u | std::uint32_t{block[1 + 3 * i + 2]} << 16 |
                     std::uint32_t{block[1 + 3 * i + 1]} << 8 | block[1 + 3 * i];
    }
    return palette;
}

std::vector<LevelPixels> readMipLevels(const std::filesystem::path& mip, const Palette& palette) {
    // The reader's refusals go to standard error: the peer's own output is its timing.
    static const bool kNoDetail = false;
    Console console(std::cerr, kNoDetail);
    MipReader reader(console, mip.string());
    if (!reader.isOpen() || !reader.readRecords() || !reader.levelsFit()) {
        return {};
    }
    const MipHeader& header = reader.header();
    std::vector<LevelPixels> levels;
    for (std::uint32_t i = 0; i < header.numMips; ++i) {
        LevelPixels level{levelWidth(header.width, i), levelHeight(header.heightMinus2, i), {}};
        const std::vector<std::uint8_t> indices = reader.readLevel(i);
        level.pixels.resize(indices.size());
        std::transform(indices.begin(), indices.end(), level.pixels.begin(),
                       [&palette](std::uint8_t index) { return palette[index]; });
        levels.push_back(std::move(level));
    }
    return levels;
}

std::vector<std::filesystem::path> mipFilesIn(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.is_regular_file() && toLowerAscii(entry.path().extension().string()) == ".mip") {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace vexmor::bench
