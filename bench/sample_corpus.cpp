#include "sample_corpus.h"

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>

#include "support/vexmor_process.h"

namespace vexmor::bench {
namespace {

double seconds(const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

}  // namespace

SampleTrack::SampleTrack(int textures, int seed) : folder_(temp_ / "set/Tracks/Sample") {
    const std::string set = (temp_ / "set").string();
    const test::ProcessResult made =
        test::runProgram({VEXMOR_SAMPLE_BINARY, "--seed", std::to_string(seed), "--track-textures",
                          std::to_string(textures), "--car-textures", "1", "--meshes", "1", set});
    const test::ProcessResult unpacked =
        test::runVexmor({set + "/Tracks/Sample.dat", "-unpack", folder_.string()});
    ok_ = made.exitCode == 0 && unpacked.exitCode == 0;
    // The new files reach the disk now, not while a measured run competes with their writeback.
    ::sync();
}

RunCost runTimed(const std::vector<std::string>& command) {
    // Files earlier runs wrote reach the disk first: their writeback would otherwise take processor
    // time from this run, more from a program that keeps both cores busy than from one that uses
    // one.
    ::sync();
    rusage before{};
    getrusage(RUSAGE_CHILDREN, &before);
    const auto start = std::chrono::steady_clock::now();
    const test::ProcessResult result = test::runProgram(command);
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;
    rusage after{};
    getrusage(RUSAGE_CHILDREN, &after);
    return {wall.count(), seconds(after.ru_utime) - seconds(before.ru_utime),
            seconds(after.ru_stime) - seconds(before.ru_stime), result.exitCode == 0};
}

std::uint64_t pngBytesBelow(const std::filesystem::path& folder) {
    std::uint64_t bytes = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file() && entry.path().extension() == ".png") {
            bytes += entry.file_size();
        }
    }
    return bytes;
}

}  // namespace vexmor::bench
