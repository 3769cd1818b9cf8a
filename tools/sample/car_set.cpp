#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "common/text.h"
#include "mip_texture.h"
#include "output_file.h"
#include "sample_mesh.h"
#include "sample_set.h"
#include "seed_streams.h"

namespace vexmor::sample {
namespace {

namespace fs = std::filesystem;

// Textures per team folder; larger sets get more folders, as a car set holds more cars.
constexpr std::uint32_t kTexturesPerFolder = 7;

constexpr std::array<std::string_view, 12> kTeams{"Falcon",  "HORNET",    "kestrel", "Osprey",
                                                  "MERLIN",  "swift",     "Harrier", "CONDOR",
                                                  "buzzard", "Peregrine", "TALON",   "raven"};

// Texture roles, each at most five characters so that role and number fit a name field.
constexpr std::array<NamedPattern, 10> kRoles{{
    {"Body", Pattern::livery},
    {"NOSE", Pattern::livery},
    {"wing", Pattern::boards},
    {"Tyre", Pattern::tread},
    {"HELM", Pattern::livery},
    {"cockp", Pattern::noise},
    {"Decal", Pattern::boards},
    {"susp", Pattern::checker},
    {"ENGIN", Pattern::noise},
    {"mirr", Pattern::sky},
}};

// Where the parts begin among the roles.
constexpr std::size_t kFirstPart = 3;

constexpr std::array<std::string_view, 8> kMeshNames{"Car",   "WHEEL",  "Hub",    "Mirrors",
                                                     "wingf", "Driver", "helmet", "Susp"};

struct CarTexture {
    MipTexture file;
    std::string tableName;  // as the meshes name it, in a case of its own
};

struct CarFolder {
    std::string relative;  // below the set, with `/`
    bool spares = false;   // a sub-folder of parts: no body, no car
    std::vector<CarTexture> textures;
    std::vector<std::string> meshes;  // file names
    std::vector<std::string> meshTableNames;
};

std::vector<CarFolder> planFolders(std::uint32_t count) {
    std::vector<CarFolder> folders(count);
    std::uint32_t team = 0;
    for (std::uint32_t j = 0; j < count; ++j) {
        // Every third folder is a sub-folder of the one before it, for spare parts.
        if (j % 3 == 1) {
            folders[j].relative = folders[j - 1].relative + "/Spares";
            folders[j].spares = true;
            continue;
        }
        std::string name(kTeams[team % kTeams.size()]);
        if (team >= kTeams.size()) {
            name += std::to_string(team / kTeams.size() + 1);
        }
        folders[j].relative = name;
        ++team;
    }
    return folders;
}

std::string meshName(std::uint32_t index, bool spares) {
    if (index == 0 && spares) {
        return "Spare";
    }
    if (index < kMeshNames.size()) {
        return std::string(kMeshNames[index]);
    }
    return "Part" + std::to_string(index + 1);
}

// The nested meshes of mesh i in a folder of n: the car body holds the odd parts, and each odd
// part the even one after it, so meshes nest two levels deep and never in a cycle.
std::vector<std::uint32_t> nestedOf(std::uint32_t i, std::uint32_t n) {
    std::vector<std::uint32_t> nested;
    if (i == 0) {
        for (std::uint32_t k = 1; k < n; k += 2) {
            nested.push_back(k);
        }
    } else if (i % 2 == 1 && i + 1 < n) {
        nested.push_back(i + 1);
    }
    return nested;
}

MeshPlan planMesh(const CarFolder& folder, std::uint32_t i) {
    const std::uint32_t n = static_cast<std::uint32_t>(folder.meshes.size());
    const std::uint32_t textures = static_cast<std::uint32_t>(folder.textures.size());
    MeshPlan plan;
    for (std::uint32_t k = i; k < textures; k += n) {
        const MipTexture& file = folder.textures[k].file;
        plan.mips.push_back({folder.textures[k].tableName, file.width, file.heightMinus2 + 2});
    }
    if (plan.mips.empty()) {
        const CarTexture& shared = folder.textures[i % textures];
        plan.mips.push_back({shared.tableName, shared.file.width, shared.file.heightMinus2 + 2});
    }
    if (i == 0) {
        plan.pmps = {"Shadow"};
    } else if (i == 3) {
        plan.pmps = {"glass"};
    }
    for (const std::uint32_t k : nestedOf(i, n)) {
        plan.nested.push_back(folder.meshTableNames[k]);
    }
    return plan;
}

}  // namespace

fs::path carSetPath(const SampleOptions& options) {
    return options.outputFolder / "Cars" / "Sample";
}

SetSummary writeCarSet(RunContext& context, const SampleOptions& options,
                       const test::PaletteRgb& palette) {
    const fs::path root = carSetPath(options);
    const std::uint32_t folderCount =
        (options.carTextures + kTexturesPerFolder - 1) / kTexturesPerFolder;
    std::vector<CarFolder> folders = planFolders(folderCount);

    for (std::uint32_t t = 0; t < options.carTextures; ++t) {
        CarFolder& folder = folders[t % folderCount];
        const std::uint32_t k = static_cast<std::uint32_t>(folder.textures.size());
        // A spares folder starts at the parts: tyres, helmets, cockpits, suspension.
        const NamedPattern& role = kRoles[(k + (folder.spares ? kFirstPart : 0)) % kRoles.size()];
        const std::string name = std::string(role.name) + std::to_string(k + 1);
        Random random = Random::forItem(options.seed, kCarTextureStream + t);
        CarTexture texture;
        texture.file.path = root / folder.relative / (name + (k % 3 == 1 ? ".MIP" : ".mip"));
        texture.file.width = options.textureSize;
        texture.file.heightMinus2 = options.textureSize;
        texture.file.numMips = 4;
        texture.file.look = randomLook(role.pattern, random);
        // Modellers rarely typed a name in the case of its file.
        texture.tableName = (t % 2 == 0) ? toLowerAscii(name) : name;
        folder.textures.push_back(std::move(texture));
    }
    for (std::uint32_t m = 0; m < options.meshes; ++m) {
        CarFolder& folder = folders[m % folderCount];
        const std::uint32_t i = static_cast<std::uint32_t>(folder.meshes.size());
        const std::string name = meshName(i, folder.spares);
        folder.meshes.push_back(name + (i % 2 == 1 ? ".3DO" : ".3do"));
        folder.meshTableNames.push_back(i % 3 == 2 ? toLowerAscii(name) : name);
    }

    SetSummary summary;
    summary.path = root;
    for (std::uint32_t j = 0; j < folderCount; ++j) {
        const CarFolder& folder = folders[j];
        fs::create_directories(root / folder.relative);
        for (const CarTexture& texture : folder.textures) {
            writeMipTexture(context, texture.file, palette);
            summary.bytes += mipFileSize(texture.file);
            ++summary.textures;
        }
        for (std::uint32_t i = 0; i < folder.meshes.size(); ++i) {
            Random random = Random::forItem(options.seed, kCarMeshStream + j * kMaxMeshes + i);
            const std::vector<std::uint8_t> bytes = buildMesh(planMesh(folder, i), random);
            writeBinaryFile(root / folder.relative / folder.meshes[i], bytes);
            summary.bytes += bytes.size();
            ++summary.meshes;
        }
        ++summary.folders;
    }
    return summary;
}

}  // namespace vexmor::sample
