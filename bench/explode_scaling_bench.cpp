// The cost of a run should grow linearly with the files in one folder: explode and track convert
// of N and 4 N textures of the sample generator in one flat folder, run as the real program. The
// counters give each size's wall time, the ratios of wall and of processor time (4 would be
// linear), and the user and system time of the larger run.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <string>

#include "sample_corpus.h"
#include "support/vexmor_process.h"

namespace vexmor::bench {
namespace {

// Corpora are made once per size for the whole process.
const SampleTrack& trackOf(int textures) {
    static std::map<int, std::unique_ptr<SampleTrack>> tracks;
    auto& track = tracks[textures];
    if (!track) {
        track = std::make_unique<SampleTrack>(textures, 23);
    }
    return *track;
}

// Each run writes to a folder of its own: on a file system without a journal, ext4 passes over
// the inodes freed in the last minute for every file it creates, so replacing the last run's
// thousands of files would measure that, not the tool.
std::vector<std::string> jobCommand(const SampleTrack& track, bool explode) {
    static int runs = 0;
    std::vector<std::string> command = test::toolCommand();
    const std::string output =
        track.scratch((explode ? "images" : "converted") + std::to_string(++runs)).string();
    if (explode) {
        command.insert(command.end(), {track.folder().string(), "-explode", output});
    } else {
        command.insert(command.end(), {track.folder().string(), "-track", "-convert", output});
    }
    return command;
}

// Args: N, explode (1) or track convert (0).
void scaling(benchmark::State& state) {
    const int small = static_cast<int>(state.range(0));
    const bool explode = state.range(1) != 0;
    const SampleTrack& smallTrack = trackOf(small);
    const SampleTrack& largeTrack = trackOf(4 * small);
    if (!smallTrack.ok() || !largeTrack.ok()) {
        state.SkipWithError("the sample corpus could not be made");
        return;
    }
    RunCost smallCost;
    RunCost largeCost;
    for (auto _ : state) {
        const RunCost a = runTimed(jobCommand(smallTrack, explode));
        const RunCost b = runTimed(jobCommand(largeTrack, explode));
        if (!a.ok || !b.ok) {
            state.SkipWithError("a run failed");
            return;
        }
        smallCost.wallSeconds += a.wallSeconds;
        smallCost.userSeconds += a.userSeconds;
        smallCost.systemSeconds += a.systemSeconds;
        largeCost.wallSeconds += b.wallSeconds;
        largeCost.userSeconds += b.userSeconds;
        largeCost.systemSeconds += b.systemSeconds;
    }
    const double runs = static_cast<double>(state.iterations());
    state.SetLabel(explode ? "explode" : "track convert");
    state.counters["N_s"] = smallCost.wallSeconds / runs;
    state.counters["4N_s"] = largeCost.wallSeconds / runs;
    state.counters["ratio"] = largeCost.wallSeconds / smallCost.wallSeconds;
    // User and system time together: on a busy machine wall times carry others' work.
    state.counters["cpu_ratio"] = (largeCost.userSeconds + largeCost.systemSeconds) /
                                  (smallCost.userSeconds + smallCost.systemSeconds);
    state.counters["4N_user_s"] = largeCost.userSeconds / runs;
    state.counters["4N_sys_s"] = largeCost.systemSeconds / runs;
}
BENCHMARK(scaling)
    ->ArgsProduct({{500}, {1, 0}})
    ->Iterations(3)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

// Exploding 4,000 textures in one folder: the system's share of the time.
void explodeSystemTime(benchmark::State& state) {
    const SampleTrack& track = trackOf(static_cast<int>(state.range(0)));
    if (!track.ok()) {
        state.SkipWithError("the sample corpus could not be made");
        return;
    }
    RunCost total;
    for (auto _ : state) {
        const RunCost cost = runTimed(jobCommand(track, true));
        total.wallSeconds += cost.wallSeconds;
        total.userSeconds += cost.userSeconds;
        total.systemSeconds += cost.systemSeconds;
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["wall_s"] = total.wallSeconds / runs;
    state.counters["user_s"] = total.userSeconds / runs;
    state.counters["sys_s"] = total.systemSeconds / runs;
}
BENCHMARK(explodeSystemTime)->Arg(4000)->Iterations(2)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
}  // namespace vexmor::bench
