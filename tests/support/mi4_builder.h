#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "support/mip_builder.h"
#include "texture/mip_file.h"

namespace vexmor::test {

// The image readMip would fill from buildMip(shape): header, records by the MIP rule and the
// level pixels of mipLevelPixels.
MipImage makeMipImage(const MipSpec& shape);

// One level of an MI4 file to build, stored as given.
struct Mi4LevelSpec {
    std::vector<std::uint8_t> packed;         // the pixel part, however long
    std::array<std::uint16_t, 16> palette{};  // RGB565 slots
    std::uint32_t mipLevelInternal = 0;
    std::uint32_t magic = 0;
};

struct Mi4Spec {
    std::uint32_t width = 0;
    std::uint32_t height = 0;  // full height
    std::uint32_t defaultColour = 0;
    std::vector<Mi4LevelSpec> levels;
};

// Header (size from the blocks), records whose offset is the pixel position minus 4, then each
// level's packed bytes followed by its 32 palette bytes.
std::vector<std::uint8_t> buildMi4(const Mi4Spec& shape);

}  // namespace vexmor::test
