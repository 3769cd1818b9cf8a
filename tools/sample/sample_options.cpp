#include "sample_options.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <string_view>

namespace vexmor::sample {
namespace {

constexpr std::string_view kNeedsNumber = "{} needs a number";
constexpr std::string_view kOutOfRange = "{} must be from {} to {}";
constexpr std::string_view kNotPowerOfTwo = "{} must be a power of two from {} to {}";
constexpr std::string_view kUnknownOption = "unknown option {}";
constexpr std::string_view kTwoFolders = "more than one output folder given";
constexpr std::string_view kNoFolder = "no output folder given";

// A counting option and its bounds.
struct CountOption {
    std::string_view name;
    std::uint32_t SampleOptions::*field;
    std::uint32_t min;
    std::uint32_t max;
    bool powerOfTwo;
};

constexpr std::array<CountOption, 4> kCountOptions{{
    {"--car-textures", &SampleOptions::carTextures, 1, kMaxCarTextures, false},
    {"--track-textures", &SampleOptions::trackTextures, 1, kMaxTrackTextures, false},
    {"--texture-size", &SampleOptions::textureSize, kMinTextureSize, kMaxTextureSize, true},
    {"--meshes", &SampleOptions::meshes, 1, kMaxMeshes, false},
}};

template <typename Number>
bool parseNumber(std::string_view text, Number& value) {
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && at == end;
}

bool isPowerOfTwo(std::uint32_t n) {
    return n != 0 && (n & (n - 1)) == 0;
}

}  // namespace

std::vector<std::string> sampleUsage() {
    return {
        "Usage: vexmor-sample [options] <output folder>",
        "Writes a synthetic car set (Cars/Sample) and track archive (Tracks/Sample.dat) in the",
        "game's formats below the output folder. The same options give the same bytes.",
        "  --seed N             seed of every random choice (default 1)",
        "  --car-textures N     MIP textures in the car set (default 20)",
        "  --track-textures N   MIP textures in the track archive (default 100)",
        "  --texture-size N     width and height of the car textures, and the largest track",
        "                       texture; a power of two from 16 to 1024 (default 256)",
        "  --meshes N           3DO meshes in the car set, and again in the track (default 8)",
        "  --help               this text",
    };
}

ParsedOptions parseSampleOptions(const std::vector<std::string>& args) {
    SampleOptions options;
    bool haveFolder = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "--help" || arg == "-h") {
            return HelpRequested{};
        }
        const auto count = std::find_if(kCountOptions.begin(), kCountOptions.end(),
                                        [&](const CountOption& o) { return o.name == arg; });
        if (arg == "--seed" || count != kCountOptions.end()) {
            std::uint64_t value = 0;
            if (i + 1 == args.size() || !parseNumber(std::string_view(args[++i]), value)) {
                return OptionError{fmt::format(kNeedsNumber, arg)};
            }
            if (arg == "--seed") {
                options.seed = value;
                continue;
            }
            if (value < count->min || value > count->max) {
                return OptionError{fmt::format(kOutOfRange, arg, count->min, count->max)};
            }
            if (count->powerOfTwo && !isPowerOfTwo(static_cast<std::uint32_t>(value))) {
                return OptionError{fmt::format(kNotPowerOfTwo, arg, count->min, count->max)};
            }
            options.*(count->field) = static_cast<std::uint32_t>(value);
            continue;
        }
        if (arg.starts_with("-")) {
            return OptionError{fmt::format(kUnknownOption, arg)};
        }
        if (haveFolder) {
            return OptionError{std::string(kTwoFolders)};
        }
        options.outputFolder = std::string(arg);
        haveFolder = true;
    }
    if (!haveFolder) {
        return OptionError{std::string(kNoFolder)};
    }
    return options;
}

}  // namespace vexmor::sample
