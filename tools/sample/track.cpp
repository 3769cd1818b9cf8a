#include <algorithm>
#include <array>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "common/text.h"
#include "mip_texture.h"
#include "output_file.h"
#include "sample_mesh.h"
#include "sample_set.h"
#include "seed_streams.h"
#include "sunny_pcx.h"
#include "support/dat_builder.h"

namespace vexmor::sample {
namespace {

namespace fs = std::filesystem;

// Member offsets are 32-bit, so the whole archive must stay below 4 GiB.
constexpr std::uint64_t kMaxArchiveBytes = 0xFFFFFFFFull;
// The directory's name field holds an 8.3 name and its terminator.
constexpr std::size_t kMaxMemberName = 12;

// Kinds of track surface: a name prefix of at most three characters, and the picture.
constexpr std::array<NamedPattern, 12> kSurfaces{{
    {"Rd", Pattern::noise},
    {"GRS", Pattern::noise},
    {"wal", Pattern::bricks},
    {"Krb", Pattern::checker},
    {"SGN", Pattern::boards},
    {"sky", Pattern::sky},
    {"Tre", Pattern::foliage},
    {"STD", Pattern::bricks},
    {"fnc", Pattern::checker},
    {"Bld", Pattern::bricks},
    {"adv", Pattern::boards},
    {"Grv", Pattern::noise},
}};

constexpr std::array<std::string_view, 8> kMeshNames{"Track", "PITS",   "stands", "Trees",
                                                     "Signs", "bridge", "Tower",  "fence"};
// The main mesh nests this many of the others, as a track nests its scenery objects.
constexpr std::uint32_t kNestedScenery = 6;

std::uint32_t log2Of(std::uint32_t powerOfTwo) {
    std::uint32_t bits = 0;
    while ((1u << bits) < powerOfTwo) {
        ++bits;
    }
    return bits;
}

std::string padded(std::uint32_t number, std::size_t digits) {
    std::string text = std::to_string(number);
    return std::string(digits > text.size() ? digits - text.size() : 0, '0') + text;
}

// One member of the archive: bytes held in memory, or a texture rendered when it is packed.
struct Member {
    std::string name;
    std::variant<std::vector<std::uint8_t>, MipTexture> content;
    std::uint64_t size = 0;
    bool isMesh = false;
};

MipTexture planTexture(const SampleOptions& options, std::uint32_t t) {
    Random random = Random::forItem(options.seed, kTrackTextureStream + t);
    const NamedPattern& surface = kSurfaces[t % kSurfaces.size()];
    const std::int32_t smallest = static_cast<std::int32_t>(log2Of(kMinTextureSize));
    const std::int32_t largest = static_cast<std::int32_t>(log2Of(options.textureSize));
    const std::int32_t wide = random.between(smallest, largest);
    const std::int32_t high = std::clamp(wide + random.between(-2, 1), smallest, largest);
    MipTexture texture;
    texture.width = 1u << wide;
    texture.heightMinus2 = 1u << high;
    // Small textures carry fewer levels: 16 pixels two, 32 three, larger ones four.
    texture.numMips = static_cast<std::uint32_t>(std::clamp(std::min(wide, high) - 2, 1, 4));
    texture.look = randomLook(surface.pattern, random);
    return texture;
}

std::string textureName(const SampleOptions& options, std::uint32_t t) {
    const std::size_t digits =
        std::max<std::size_t>(3, std::to_string(options.trackTextures).size());
    return std::string(kSurfaces[t % kSurfaces.size()].name) + padded(t + 1, digits);
}

std::string meshName(std::uint32_t index) {
    if (index < kMeshNames.size()) {
        return std::string(kMeshNames[index]);
    }
    return "Obj" + padded(index + 1, 4);
}

std::vector<Member> planMembers(const SampleOptions& options, const test::PaletteRgb& palette) {
    std::vector<Member> members;
    std::vector<MeshTexture> names(options.trackTextures);
    for (std::uint32_t t = 0; t < options.trackTextures; ++t) {
        const std::string name = textureName(options, t);
        MipTexture texture = planTexture(options, t);
        // Name fields and member names disagree in case now and then, as in sets made on Windows.
        const bool lowerInTable = (t / kSurfaces.size()) % 2 == 1;
        names[t] = {lowerInTable ? toLowerAscii(name) : name, texture.width,
                    texture.heightMinus2 + 2};
        Member member;
        member.name = name + ((t / kSurfaces.size()) % 3 == 1 ? ".MIP" : ".mip");
        member.size = mipFileSize(texture);
        member.content = std::move(texture);
        members.push_back(std::move(member));
    }
    const std::uint32_t meshes = options.meshes;
    for (std::uint32_t i = 0; i < meshes; ++i) {
        MeshPlan plan;
        for (std::uint32_t t = i; t < options.trackTextures; t += meshes) {
            plan.mips.push_back(names[t]);
        }
        if (plan.mips.empty()) {
            plan.mips.push_back(names[i % options.trackTextures]);
        }
        if (i == 0) {
            for (std::uint32_t k = 1; k < meshes && k <= kNestedScenery; ++k) {
                plan.nested.push_back(meshName(k));
            }
            plan.pmps = {"horizon"};
        }
        Random random = Random::forItem(options.seed, kTrackMeshStream + i);
        Member member;
        member.name = meshName(i) + (i % 3 == 1 ? ".3DO" : ".3do");
        std::vector<std::uint8_t> bytes = buildMesh(plan, random);
        member.size = bytes.size();
        member.content = std::move(bytes);
        member.isMesh = true;
        members.push_back(std::move(member));
    }
    Member pcx;
    pcx.name = "sunny.pcx";
    std::vector<std::uint8_t> bytes = buildSunnyPcx(palette);
    pcx.size = bytes.size();
    pcx.content = std::move(bytes);
    members.push_back(std::move(pcx));

    // Packers list a folder in name order.
    std::sort(members.begin(), members.end(), [](const Member& a, const Member& b) {
        return toLowerAscii(a.name) < toLowerAscii(b.name);
    });
    return members;
}

// The header and directory, with every member's offset and length: the archive builder lays
// out nothing else when the members carry no bytes.
std::vector<std::uint8_t> buildDirectory(const std::vector<Member>& members) {
    test::DatSpec shape;
    std::uint64_t at = test::datDataStart(members.size());
    for (const Member& member : members) {
        if (member.name.size() > kMaxMemberName) {
            throw std::logic_error("member name too long for the archive: " + member.name);
        }
        test::DatMember entry;
        entry.name = member.name;
        entry.offset = static_cast<std::uint32_t>(at);
        entry.length = static_cast<std::uint32_t>(member.size);
        shape.members.push_back(std::move(entry));
        at += member.size;
    }
    if (at > kMaxArchiveBytes) {
        throw std::runtime_error(
            "the track archive would pass the 4 GiB its offsets can address; use fewer or "
            "smaller track textures");
    }
    return test::buildDat(shape);
}

}  // namespace

fs::path trackArchivePath(const SampleOptions& options) {
    return options.outputFolder / "Tracks" / "Sample.dat";
}

SetSummary writeTrack(RunContext& context, const SampleOptions& options,
                      const test::PaletteRgb& palette) {
    const std::vector<Member> members = planMembers(options, palette);
    const std::vector<std::uint8_t> directory = buildDirectory(members);

    const fs::path archivePath = trackArchivePath(options);
    const fs::path scratch = archivePath.string() + ".part";
    fs::create_directories(archivePath.parent_path());
    std::ofstream archive(archivePath, std::ios::binary | std::ios::trunc);
    archive.write(reinterpret_cast<const char*>(directory.data()),
                  static_cast<std::streamsize>(directory.size()));

    SetSummary summary;
    summary.path = archivePath;
    summary.bytes = directory.size();
    // Textures go through a scratch file, as the MIP writer writes files: the archive never
    // holds more than one texture in memory.
    for (const Member& member : members) {
        std::uint64_t written = 0;
        if (const auto* bytes = std::get_if<std::vector<std::uint8_t>>(&member.content)) {
            archive.write(reinterpret_cast<const char*>(bytes->data()),
                          static_cast<std::streamsize>(bytes->size()));
            written = bytes->size();
            summary.meshes += member.isMesh ? 1 : 0;
        } else {
            MipTexture texture = std::get<MipTexture>(member.content);
            texture.path = scratch;
            writeMipTexture(context, texture, palette);
            written = appendFileTo(archive, scratch);
            ++summary.textures;
        }
        if (written != member.size) {
            throw std::runtime_error("member " + member.name + " came out at the wrong size");
        }
        summary.bytes += written;
    }
    fs::remove(scratch);
    archive.close();
    if (!archive) {
        throw std::runtime_error("could not write " + archivePath.string());
    }
    summary.folders = static_cast<std::uint32_t>(members.size());
    return summary;
}

}  // namespace vexmor::sample
