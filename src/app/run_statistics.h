#pragma once

#include <cstdint>
#include <vector>

namespace vexmor {

class Console;

// Counters of the textures read in a run; never reset.
struct RunStatistics {
    std::uint64_t numPaletted = 0;  // MI4 textures read
    std::uint64_t numMipFiles = 0;  // MIP textures handed to the reader
    std::uint64_t totalMipBytes = 0;
    std::vector<std::uint64_t> mipLevelSizes;  // every level of every MIP, in reading order
    std::uint64_t maxMipWidth = 0;
    std::uint64_t maxMipHeight = 0;
    std::uint64_t largestMipSize = 0;
    std::uint64_t largestMipWidth = 0;
    std::uint64_t largestMipHeight = 0;
    std::uint32_t totalMipLevels = 0;
    std::uint32_t minMipLevels = 0xFFFFFFFFu;
    std::uint32_t maxMipLevels = 0;
};

// The four closing lines of a run. Sorts `mipLevelSizes`.
void printStatistics(RunStatistics& statistics, Console& console);

}  // namespace vexmor
