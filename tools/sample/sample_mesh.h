#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "random.h"

namespace vexmor::sample {

// A texture as a mesh names it: the 8-byte table name and the size its coordinates span.
struct MeshTexture {
    std::string name;
    std::uint32_t width = 256;
    std::uint32_t height = 256;
};

// What one 3DO file holds in its name tables.
struct MeshPlan {
    std::vector<MeshTexture> mips;
    std::vector<std::string> pmps;
    std::vector<std::string> nested;
};

// A 3DO file in the game's shape: a level-of-detail choice between a detailed model (a textured
// panel of quads under a texture selection for every MIP, untextured parts, data nodes, held
// together by branch nodes) and a one-polygon stand-in, plus a reference node for every nested
// mesh.
std::vector<std::uint8_t> buildMesh(const MeshPlan& plan, Random& random);

}  // namespace vexmor::sample
