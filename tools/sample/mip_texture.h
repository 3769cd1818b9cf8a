#pragma once

#include <cstdint>
#include <filesystem>

#include "support/pcx_builder.h"
#include "texture_look.h"

namespace vexmor {
class RunContext;
}

namespace vexmor::sample {

// One MIP texture of the corpus: its place, its geometry and its picture.
struct MipTexture {
    std::filesystem::path path;
    std::uint32_t width = 256;
    std::uint32_t heightMinus2 = 256;
    std::uint32_t numMips = 4;
    TextureLook look;
};

// The file size the texture will have: header, level records and every level's pixels.
std::uint64_t mipFileSize(const MipTexture& texture);

// Renders every level and writes the file with the tool's own MIP writer. Throws
// std::runtime_error when the file could not be written whole.
void writeMipTexture(RunContext& context, const MipTexture& texture,
                     const test::PaletteRgb& palette);

}  // namespace vexmor::sample
