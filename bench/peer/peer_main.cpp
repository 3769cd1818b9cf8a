// A plain explode, the yardstick of the explode benchmarks: every level of every MIP texture in
// a folder mapped through a PCX palette and written by libpng at its default settings as RGBA.
//     vexmor_peer <folder of MIPs> <palette.pcx> <output folder>
#include <cstdio>
#include <filesystem>
#include <string>

#include "peer/peer_levels.h"
#include "peer/peer_png.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: vexmor_peer <folder of MIPs> <palette.pcx> <output folder>\n");
        return 2;
    }
    const std::filesystem::path output(argv[3]);
    const auto palette = vexmor::bench::readPcxPalette(argv[2]);
    if (!palette) {
        std::fprintf(stderr, "no palette in %s\n", argv[2]);
        return 1;
    }
    std::filesystem::remove_all(output);
    std::filesystem::create_directories(output);
    int failures = 0;
    for (const auto& mip : vexmor::bench::mipFilesIn(argv[1])) {
        const auto levels = vexmor::bench::readMipLevels(mip, *palette);
        for (std::size_t i = 0; i < levels.size(); ++i) {
            const auto& level = levels[i];
            const std::string name = mip.filename().string() + "." + std::to_string(i + 1) + "." +
                                     std::to_string(levels.size()) + "." +
                                     std::to_string(level.width) + "x" +
                                     std::to_string(level.height) + ".png";
            if (!vexmor::bench::writePeerPng(output / name, level.width, level.height,
                                             level.pixels)) {
                ++failures;
            }
        }
    }
    return failures == 0 ? 0 : 1;
}
