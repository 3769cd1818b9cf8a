#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "support/mip_builder.h"
#include "support/pcx_builder.h"

namespace vexmor::test {

// A small car-set-like tree below `root`: a sunny.pcx with the gradient palette and MIPs in
// nested mixed-case folders. Returns the MIPs' paths below the root, as written.
struct CarsetTexture {
    std::string relative;  // with `/`
    MipSpec shape;
};

std::vector<CarsetTexture> smallCarsetTextures();

// Writes the textures and sunny.pcx (unless `withPalette` is false).
void writeCarset(const std::filesystem::path& root, const std::vector<CarsetTexture>& textures,
                 bool withPalette = true);

}  // namespace vexmor::test
