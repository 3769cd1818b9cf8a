#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <variant>
#include <vector>

namespace vexmor::sample {

// What to generate. The defaults make the small set that scripts/run-sample shows.
struct SampleOptions {
    std::filesystem::path outputFolder;
    std::uint64_t seed = 1;
    std::uint32_t carTextures = 20;
    std::uint32_t trackTextures = 100;
    std::uint32_t textureSize = 256;  // car textures are this wide; track textures up to it
    std::uint32_t meshes = 8;         // 3DO files in the car set, and again in the track
};

// The bounds of the options: the DAT archive holds at most 65,535 members, and a track's textures
// must fit the archive's 32-bit offsets.
inline constexpr std::uint32_t kMaxCarTextures = 50'000;
inline constexpr std::uint32_t kMaxTrackTextures = 60'000;
inline constexpr std::uint32_t kMaxMeshes = 2'000;
inline constexpr std::uint32_t kMinTextureSize = 16;
inline constexpr std::uint32_t kMaxTextureSize = 1024;

struct HelpRequested {};
struct OptionError {
    std::string message;
};
using ParsedOptions = std::variant<SampleOptions, HelpRequested, OptionError>;

// Reads the arguments after the program name.
ParsedOptions parseSampleOptions(const std::vector<std::string>& args);

// The usage text, one line per element.
std::vector<std::string> sampleUsage();

}  // namespace vexmor::sample
