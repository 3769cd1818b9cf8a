#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace vexmor::bench {

// A track of the sample generator's, unpacked: `textures` MIP textures, a palette and meshes
// in one flat folder below a temporary folder of its own.
class SampleTrack {
public:
    SampleTrack(int textures, int seed);
    const std::filesystem::path& folder() const { return folder_; }
    std::filesystem::path scratch(const std::string& name) const { return temp_ / name; }
    bool ok() const { return ok_; }

private:
    test::TempDir temp_;
    std::filesystem::path folder_;
    bool ok_ = false;
};

// What one run of a program cost: wall time, and the user and system time of the process.
struct RunCost {
    double wallSeconds = 0;
    double userSeconds = 0;
    double systemSeconds = 0;
    bool ok = false;
};

RunCost runTimed(const std::vector<std::string>& command);

// The bytes of every .png file below `folder`.
std::uint64_t pngBytesBelow(const std::filesystem::path& folder);

}  // namespace vexmor::bench
