#include "sample_mesh.h"

#include <algorithm>
#include <array>

#include "mesh/mesh_flavours.h"
#include "support/mesh_builder.h"

namespace vexmor::sample {
namespace {

using test::MeshBuilder;

// Model units per grid step of a panel: the game's coordinates are large fixed-point numbers.
constexpr std::int32_t kStep = 2048;

struct Origin {
    std::int32_t x, y, z;
};

Origin randomOrigin(Random& random) {
    return {random.between(-40, 40) * kStep, random.between(0, 12) * kStep,
            random.between(-80, 80) * kStep};
}

std::int16_t coordinate(std::uint32_t extent, std::uint32_t step, std::uint32_t steps) {
    return static_cast<std::int16_t>(std::min<std::uint32_t>(extent, 32767) * step / steps);
}

// A strip of quads covering the texture once, under a selection of texture `index`.
std::uint32_t texturedPanel(MeshBuilder& b, const MeshTexture& texture, std::int32_t index,
                            Random& random) {
    const std::uint32_t quads = 2 + random.below(4);
    const Origin at = randomOrigin(random);
    std::vector<std::uint32_t> lower, upper;
    for (std::uint32_t i = 0; i <= quads; ++i) {
        const std::int32_t x = at.x + static_cast<std::int32_t>(i) * kStep;
        const std::int16_t u = coordinate(texture.width, i, quads);
        lower.push_back(b.vertex(x, at.y, at.z, {u, 0}));
        upper.push_back(
            b.vertex(x, at.y + kStep, at.z + kStep / 2, {u, coordinate(texture.height, 1, 1)}));
    }
    std::vector<std::uint32_t> polygons;
    for (std::uint32_t i = 0; i < quads; ++i) {
        // Now and then a triangle, as modellers close the end of a strip.
        if (i + 1 == quads && random.chance(30)) {
            polygons.push_back(b.texturedPolygon({lower[i], lower[i + 1], upper[i]}));
        } else {
            polygons.push_back(b.texturedPolygon({lower[i], lower[i + 1], upper[i + 1], upper[i]}));
        }
    }
    const std::uint32_t selection = b.textureSelection(index, b.list(polygons));
    if (random.chance(25)) {
        return b.listWithChild(selection, {b.dataNode(flavour::kDataE)});
    }
    return selection;
}

std::uint32_t untexturedQuad(MeshBuilder& b, const Origin& at) {
    const std::uint32_t a = b.vertex(at.x, at.y, at.z);
    const std::uint32_t c = b.vertex(at.x + kStep, at.y, at.z);
    const std::uint32_t d = b.vertex(at.x + kStep, at.y, at.z + kStep);
    const std::uint32_t e = b.vertex(at.x, at.y, at.z + kStep);
    return b.polygon({a, c, d, e});
}

// The underside and other parts drawn in flat colour, with a data node among them.
std::uint32_t untexturedParts(MeshBuilder& b, Random& random) {
    std::vector<std::uint32_t> parts;
    const std::uint32_t count = 1 + random.below(3);
    for (std::uint32_t i = 0; i < count; ++i) {
        parts.push_back(untexturedQuad(b, randomOrigin(random)));
    }
    parts.push_back(b.dataNode(flavour::kData3));
    return b.list(parts);
}

// Joins nodes under branch nodes of every arity, a level at a time, until one node is left.
std::uint32_t joinUnderBranches(MeshBuilder& b, std::vector<std::uint32_t> nodes) {
    constexpr std::array<std::uint32_t, 3> kThreeWay{flavour::kBranch7, flavour::kBranch8,
                                                     flavour::kBranch9};
    std::uint32_t turn = 0;
    do {
        std::vector<std::uint32_t> joined;
        for (std::size_t at = 0; at < nodes.size();) {
            const std::size_t take = std::min<std::size_t>(3, nodes.size() - at);
            const std::vector<std::uint32_t> group(
                nodes.begin() + static_cast<std::ptrdiff_t>(at),
                nodes.begin() + static_cast<std::ptrdiff_t>(at + take));
            std::uint32_t kind = flavour::kBranch5;
            if (take == 2) {
                kind = turn % 2 == 0 ? flavour::kBranch6 : flavour::kBranchA;
            } else if (take == 3) {
                kind = kThreeWay[turn % 3];
            }
            joined.push_back(b.branch(kind, group));
            ++turn;
            at += take;
        }
        nodes = std::move(joined);
    } while (nodes.size() > 1);
    return nodes.front();
}

}  // namespace

std::vector<std::uint8_t> buildMesh(const MeshPlan& plan, Random& random) {
    MeshBuilder b;
    std::vector<std::string> mipNames;
    for (const MeshTexture& texture : plan.mips) {
        mipNames.push_back(texture.name);
    }
    b.mips(mipNames).pmps(plan.pmps).meshes(plan.nested);

    std::vector<std::uint32_t> detailed;
    for (std::size_t i = 0; i < plan.mips.size(); ++i) {
        detailed.push_back(texturedPanel(b, plan.mips[i], static_cast<std::int32_t>(i), random));
    }
    detailed.push_back(untexturedParts(b, random));
    const std::uint32_t model = joinUnderBranches(b, detailed);
    const std::uint32_t standIn = untexturedQuad(b, randomOrigin(random));
    // Near the camera both children are drawn; the selection reads (distance, child) pairs.
    const std::uint32_t lod = b.choice(
        {500, static_cast<std::int32_t>(model), 0, static_cast<std::int32_t>(standIn), 0, 0, 0, 0});

    std::vector<std::uint32_t> top{lod};
    for (std::size_t k = 0; k < plan.nested.size(); ++k) {
        top.push_back(b.nestedReference(-static_cast<std::int32_t>(k + 1)));
    }
    top.push_back(b.dataNode(flavour::kDataE));
    b.root(b.list(top));
    return b.build();
}

}  // namespace vexmor::sample
