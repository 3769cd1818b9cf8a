// vexmor-sample: writes a synthetic car set and track in the game's formats, so that the tool can
// be tried and measured without the game's own files.
#include <fmt/format.h>

#include <exception>
#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "app/run_context.h"
#include "game_palette.h"
#include "sample_options.h"
#include "sample_set.h"

namespace {

namespace fs = std::filesystem;
using namespace vexmor::sample;

constexpr std::string_view kError = "vexmor-sample: {}\n";
constexpr std::string_view kSeeHelp = "Run vexmor-sample --help for the options.\n";
constexpr std::string_view kAlreadyThere = "{} exists already; remove it or choose another folder";
constexpr std::string_view kCarSetLine =
    "Car set {}: {} MIP textures, {} meshes in {} folders, {} bytes\n";
constexpr std::string_view kTrackLine =
    "Track   {}: {} MIP textures, {} meshes and sunny.pcx in {} members, {} bytes\n";

// A set is never written over an earlier one: stale files of a larger set would stay behind.
void refuseExisting(const fs::path& path) {
    if (fs::exists(fs::symlink_status(path))) {
        throw std::runtime_error(fmt::format(kAlreadyThere, path.string()));
    }
}

int generate(const SampleOptions& options) {
    refuseExisting(carSetPath(options));
    refuseExisting(trackArchivePath(options));
    // The tool's MIP writer reports to a console; the generator has nothing to say there.
    std::ostringstream quiet;
    vexmor::RunContext context(quiet);
    const vexmor::test::PaletteRgb palette = gamePalette();
    const SetSummary cars = writeCarSet(context, options, palette);
    const SetSummary track = writeTrack(context, options, palette);
    fmt::print(kCarSetLine, cars.path.string(), cars.textures, cars.meshes, cars.folders,
               cars.bytes);
    fmt::print(kTrackLine, track.path.string(), track.textures, track.meshes, track.folders,
               track.bytes);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const ParsedOptions parsed = parseSampleOptions(args);
    if (std::holds_alternative<HelpRequested>(parsed)) {
        for (const std::string& line : sampleUsage()) {
            fmt::print("{}\n", line);
        }
        return 0;
    }
    if (const auto* error = std::get_if<OptionError>(&parsed)) {
        fmt::print(stderr, kError, error->message);
        fmt::print(stderr, kSeeHelp);
        return 2;
    }
    try {
        return generate(std::get<SampleOptions>(parsed));
    } catch (const std::exception& error) {
        fmt::print(stderr, kError, error.what());
        return 1;
    }
}
