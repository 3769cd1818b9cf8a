#pragma once

#include <cstdint>
#include <filesystem>

#include "sample_options.h"
#include "support/pcx_builder.h"

namespace vexmor {
class RunContext;
}

namespace vexmor::sample {

// What one generated set holds, for the closing report.
struct SetSummary {
    std::filesystem::path path;
    std::uint32_t textures = 0;
    std::uint32_t meshes = 0;
    std::uint32_t folders = 0;  // car set: folders holding files; track: archive members
    std::uint64_t bytes = 0;
};

// Where the sets go below the output folder.
std::filesystem::path carSetPath(const SampleOptions& options);
std::filesystem::path trackArchivePath(const SampleOptions& options);

// The car set: team folders (some with a sub-folder) of MIP textures and 3DO meshes, the meshes
// naming the textures of their own folder and nesting each other. No palette: like the game's car
// sets, it takes the palette of a track.
SetSummary writeCarSet(RunContext& context, const SampleOptions& options,
                       const test::PaletteRgb& palette);

// The track: one DAT archive holding sunny.pcx, MIP textures of mixed sizes and 3DO meshes.
SetSummary writeTrack(RunContext& context, const SampleOptions& options,
                      const test::PaletteRgb& palette);

}  // namespace vexmor::sample
