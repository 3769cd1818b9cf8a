// Writes the seed corpus of every fuzz target from the project's own fixture builders:
// vexmor_fuzz_seeds <corpus folder>. The seeds are small, so that the fuzzers start from files
// that reach deep into each reader and still run fast.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/png_backend.h"
#include "support/byte_writer.h"
#include "support/dat_builder.h"
#include "support/mesh_builder.h"
#include "support/mi4_builder.h"
#include "support/mip_builder.h"
#include "support/pcx_builder.h"

namespace fs = std::filesystem;
using namespace vexmor::test;
using Bytes = std::vector<std::uint8_t>;

namespace {

fs::path corpusRoot;

void seed(std::string_view target, std::string_view name, const Bytes& bytes) {
    const fs::path file = corpusRoot / target / name;
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

Bytes joined(const std::vector<Bytes>& parts, std::string_view separator, Bytes head = {}) {
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) {
            head.insert(head.end(), separator.begin(), separator.end());
        }
        head.insert(head.end(), parts[i].begin(), parts[i].end());
    }
    return head;
}

// A record that breaks the mask rule, so the verification warning is reached.
Bytes mipWithBadRecord() {
    Bytes bytes = buildMip(mipSpec(8, 6, 2));
    bytes[mipRecordPosition(1)] = 0x0F;
    return bytes;
}

Bytes smallMi4() {
    Mi4Spec shape;
    shape.width = 8;
    shape.height = 6;
    Mi4LevelSpec level0;
    level0.packed = Bytes(24, 0x3C);
    level0.palette[3] = 0x07E0;
    level0.palette[12] = 0xF800;
    level0.mipLevelInternal = 3;
    level0.magic = 7;
    Mi4LevelSpec level1;
    level1.packed = Bytes(6, 0x12);
    level1.palette[1] = 0xFFFF;
    level1.mipLevelInternal = 1;
    level1.magic = 3;
    shape.levels = {level0, level1};
    return buildMi4(shape);
}

// A mesh that uses every flavour the walk knows, and names two nested meshes.
Bytes richMesh() {
    MeshBuilder b;
    b.mips({"car1", "Car2"}).pmps({"pm1"}).meshes({"wheel", "body"});
    const std::uint32_t v0 = b.vertex(1, 2, 3, {4, 5});
    const std::uint32_t v1 = b.vertex(-1, 0, 7, {0, 1});
    const std::uint32_t v2 = b.vertex(9, 9, 9);
    const std::uint32_t plain = b.polygon({v2, v2});
    const std::uint32_t textured = b.texturedPolygon({v0, v1, plain});
    const std::uint32_t selected = b.textureSelection(0, textured);
    const std::uint32_t outOfRange = b.textureSelection(5, b.dataNode(0x80000003));
    const std::uint32_t nested = b.nestedReference(-1);
    const std::uint32_t choice = b.choice({1, static_cast<std::int32_t>(selected), 0,
                                           static_cast<std::int32_t>(outOfRange), 0, 0, 0, 0});
    const std::uint32_t branch = b.branch(0x80000007, {choice, nested, b.dataNode(0x8000000E)});
    const std::uint32_t list = b.list({branch, b.node(0x8000000C, {})});
    b.listWithChild(list, {b.branch(0x80000009, {selected, nested, v0})});
    return b.build();
}

Bytes wheelMesh() {
    MeshBuilder b;
    b.mips({"car1"});
    b.textureSelection(0, b.texturedPolygon({b.vertex(0, 0, 0, {1, 1})}));
    return b.build();
}

// Nodes that name each other: the walk must stop at its bound.
Bytes cyclicMesh() {
    MeshBuilder b;
    b.mips({"car1"}).meshes({"car"});
    b.at(0);
    b.list({0, 0});
    return b.build();
}

Bytes tinyDat() {
    DatSpec shape;
    shape.members.push_back({"SUNNY.PCX", buildPcx(gradientPalette(), 16), {}, {}});
    shape.members.push_back({"car1.mip", buildMip(mipSpec(8, 6, 2)), {}, {}});
    shape.members.push_back(unusedDatEntry());
    shape.members.push_back({"readme.txt", patternBytes(40, 3), {}, {}});
    return buildDat(shape);
}

Bytes damagedDat() {
    DatSpec shape;
    shape.members.push_back({"a.bin", patternBytes(30), {}, std::uint32_t{500}});
    shape.members.push_back({"..", patternBytes(4), {}, {}});
    shape.members.push_back({"b.bin", patternBytes(30), {}, {}});
    shape.count = 5;
    shape.truncateTo = datDataStart(3) + 20;
    return buildDat(shape);
}

// PNG seeds in each form the project's own encoder writes: 4-bit and 8-bit palettes, RGB, RGBA.
void seedPngs() {
    const auto image = [&](std::string_view name, std::uint32_t width, std::uint32_t height,
                           std::uint32_t colours, std::uint32_t alpha) {
        std::vector<std::uint32_t> pixels(std::size_t{width} * height);
        for (std::size_t p = 0; p < pixels.size(); ++p) {
            pixels[p] = alpha << 24 | static_cast<std::uint32_t>((p * 2654435761u) % colours);
        }
        const fs::path file = corpusRoot / "png_fuzz" / name;
        fs::create_directories(file.parent_path());
        vexmor::platform::encodePngFile(file.string(), width, height, pixels);
    };
    image("palette4.png", 8, 6, 12, 0xFF);
    image("palette8.png", 16, 18, 200, 0xFF);
    image("rgb.png", 16, 10, 0xFFFFFF, 0xFF);
    image("rgba.png", 4, 4, 0xFFFFFF, 0x80);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: vexmor_fuzz_seeds <corpus folder>\n");
        return 1;
    }
    corpusRoot = argv[1];

    const Bytes pcx = buildPcx(gradientPalette(), 16);
    seed("pcx_fuzz", "gradient.pcx", pcx);
    seed("pcx_fuzz", "no-marker.pcx", Bytes(800, 1));

    seed("mip_fuzz", "three-levels.mip", buildMip(mipSpec(16, 16, 3)));
    seed("mip_fuzz", "one-level.mip", buildMip(mipSpec(8, 0, 1)));
    seed("mip_fuzz", "wide.mip", buildMip(mipSpec(256, 0, 2)));
    seed("mip_fuzz", "bad-record.mip", mipWithBadRecord());

    seed("mi4_fuzz", "two-levels.mi4", smallMi4());

    seedPngs();

    constexpr std::string_view kMeshSeparator = "@@3DO@@";
    seed("mesh_fuzz", "rich.3do", joined({richMesh(), wheelMesh(), wheelMesh()}, kMeshSeparator));
    seed("mesh_fuzz", "cyclic.3do", joined({cyclicMesh()}, kMeshSeparator));

    seed("dat_fuzz", "tiny.dat", tinyDat());
    seed("dat_fuzz", "damaged.dat", damagedDat());

    constexpr std::string_view kFileSeparator = "@@FILE@@";
    const std::vector<Bytes> tree = {pcx,
                                     buildMip(mipSpec(16, 6, 2)),
                                     buildMip(mipSpec(8, 2, 1)),
                                     smallMi4(),
                                     richMesh(),
                                     wheelMesh(),
                                     wheelMesh(),
                                     tinyDat()};
    for (std::uint8_t choice = 0; choice < 8; ++choice) {
        seed("run_fuzz", "tree-" + std::to_string(choice), joined(tree, kFileSeparator, {choice}));
    }
    return 0;
}
