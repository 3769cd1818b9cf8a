// A whole run in-process: the input becomes a small source tree (its first byte picks one of a
// few command lines, the rest is split at the separator into the files below), and mainRun
// converts, explodes, compacts or unpacks it.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "support/captured_run.h"

using namespace vexmor;

namespace {

constexpr std::string_view kSeparator = "@@FILE@@";
// The tree a piece lands in, in input order: a palette, MIPs in nested mixed-case folders, an
// MI4, meshes that name each other, and an archive.
const char* const kFileNames[] = {"sunny.pcx", "car1.mip",      "Sub/Car2.MIP",      "wall.mi4",
                                  "car.3do",   "sub/wheel.3do", "sub/deep/body.3do", "track.dat"};

std::vector<std::string> commandLine(std::uint8_t choice, const std::string& source,
                                     const std::string& output) {
    const std::string archive = source + "/track.dat";
    switch (choice % 8) {
        case 0:
            return {source, "-explode", output};
        case 1:
            return {source, "-convert", output};
        case 2:
            return {source, "-track", "-convert", output};
        case 3:
            return {source, "-info", "-compact", "16", "16", output};
        case 4:
            return {source, "-info", "-explode", output, "-convert", output};
        case 5:
            return {source, "-reduce", "-maxmips", "2", "-width", "8", "-convert", output};
        case 6:
            return {archive, "-info", "-unpack", output};
        default:
            return {source, "-track", "-info", "-explode", output};
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    fuzz::ScratchFolder& scratch = fuzz::ScratchFolder::instance();
    scratch.clear();
    const auto pieces =
        fuzz::splitInput(std::span(data + 1, size - 1), kSeparator, std::size(kFileNames));
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        scratch.write(std::string("src/") + kFileNames[i], pieces[i]);
    }
    const std::string source = scratch.text() + "src";
    const std::string output = scratch.text() + "out";

    test::CapturedRun run;
    const int code = run.run(commandLine(data[0], source, output));
    if (std::getenv("VEXMOR_FUZZ_VERBOSE")) {
        std::printf("%s(exit code %d)\n", run.output().c_str(), code);
    }
    // The run ends with its statistics (exit code 4 when a file could not be written: an image
    // the encoder refuses, for one), or with one of the early exits; nothing is written outside
    // the output folder and the source is left as it was.
    if (code != 0 && code != 1 && code != 2 && code != 4 && code != 10) {
        std::abort();
    }
    scratch.expectOnlyTopLevel({"src", "out"});
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        scratch.expectUnchanged(std::string("src/") + kFileNames[i], pieces[i]);
    }
    return 0;
}
