// A whole explode against a plain port that writes every level with libpng at its default
// settings as RGBA (bench/peer/), on the same few hundred textures of the sample generator; and
// the PNG writer alone against that encoder on the same levels. Each benchmark runs both sides
// in every iteration, so their ratio holds however busy the machine is.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "peer/peer_levels.h"
#include "peer/peer_png.h"
#include "platform/png_backend.h"
#include "platform/png_compression.h"
#include "sample_corpus.h"
#include "support/vexmor_process.h"

namespace vexmor::bench {
namespace {

constexpr int kTextures = 400;

const SampleTrack& corpus() {
    static const SampleTrack track(kTextures, 7);
    return track;
}

void explodeAgainstPeer(benchmark::State& state) {
    const SampleTrack& track = corpus();
    if (!track.ok()) {
        state.SkipWithError("the sample corpus could not be made");
        return;
    }
    // Each run writes to a folder of its own (see explode_scaling_bench.cpp for why).
    int run = 0;
    std::filesystem::path ours;
    std::filesystem::path peers;
    double ourSeconds = 0;
    double peerSeconds = 0;
    double ourCpu = 0;
    double peerCpu = 0;
    double ourBest = 0;
    double peerBest = 0;
    for (auto _ : state) {
        ++run;
        ours = track.scratch("ours" + std::to_string(run));
        peers = track.scratch("peer" + std::to_string(run));
        std::vector<std::string> ourCommand = test::toolCommand();
        ourCommand.insert(ourCommand.end(), {track.folder().string(), "-explode", ours.string()});
        const std::vector<std::string> peerCommand = {VEXMOR_PEER_BINARY, track.folder().string(),
                                                      (track.folder() / "sunny.pcx").string(),
                                                      peers.string()};
        const RunCost our = runTimed(ourCommand);
        const RunCost peer = runTimed(peerCommand);
        if (!our.ok || !peer.ok) {
            state.SkipWithError("a run failed");
            return;
        }
        ourSeconds += our.wallSeconds;
        peerSeconds += peer.wallSeconds;
        ourBest = run == 1 ? our.wallSeconds : std::min(ourBest, our.wallSeconds);
        peerBest = run == 1 ? peer.wallSeconds : std::min(peerBest, peer.wallSeconds);
        ourCpu += our.userSeconds + our.systemSeconds;
        peerCpu += peer.userSeconds + peer.systemSeconds;
    }
    const double runs = static_cast<double>(state.iterations());
    const auto ourBytes = static_cast<double>(pngBytesBelow(ours));
    const auto peerBytes = static_cast<double>(pngBytesBelow(peers));
    state.counters["vexmor_s"] = ourSeconds / runs;
    state.counters["peer_s"] = peerSeconds / runs;
    state.counters["time_ratio"] = ourSeconds / peerSeconds;
    // Each side's fastest run: on ext4 without a journal, files deleted in the last minutes (a
    // former benchmark's) make creating files slower for a while, for both programs alike.
    state.counters["best_ratio"] = ourBest / peerBest;
    // User and system time together: on a busy machine wall times carry others' work.
    state.counters["cpu_ratio"] = ourCpu / peerCpu;
    state.counters["vexmor_MB"] = ourBytes / 1e6;
    state.counters["peer_MB"] = peerBytes / 1e6;
    state.counters["size_ratio"] = ourBytes / peerBytes;
}
BENCHMARK(explodeAgainstPeer)->Iterations(5)->Unit(benchmark::kSecond)->UseRealTime();

// Every level of the corpus as pixels, read once.
const std::vector<LevelPixels>& corpusLevels() {
    static const std::vector<LevelPixels> levels = [] {
        std::vector<LevelPixels> all;
        const auto palette = readPcxPalette(corpus().folder() / "sunny.pcx");
        if (palette) {
            for (const auto& mip : mipFilesIn(corpus().folder())) {
                for (LevelPixels& level : readMipLevels(mip, *palette)) {
                    all.push_back(std::move(level));
                }
            }
        }
        return all;
    }();
    return levels;
}

void pngWriterAgainstPeer(benchmark::State& state) {
    const std::vector<LevelPixels>& levels = corpusLevels();
    if (levels.empty()) {
        state.SkipWithError("the sample corpus could not be read");
        return;
    }
    const std::filesystem::path ours = corpus().scratch("writer-ours");
    const std::filesystem::path peers = corpus().scratch("writer-peer");
    using Clock = std::chrono::steady_clock;
    Clock::duration ourTime{};
    Clock::duration peerTime{};
    for (auto _ : state) {
        std::filesystem::remove_all(ours);
        std::filesystem::remove_all(peers);
        std::filesystem::create_directories(ours);
        std::filesystem::create_directories(peers);
        auto start = Clock::now();
        for (std::size_t i = 0; i < levels.size(); ++i) {
            const std::string name = (ours / (std::to_string(i) + ".png")).string();
            platform::encodePngFile(name, levels[i].width, levels[i].height, levels[i].pixels);
        }
        ourTime += Clock::now() - start;
        start = Clock::now();
        for (std::size_t i = 0; i < levels.size(); ++i) {
            writePeerPng(peers / (std::to_string(i) + ".png"), levels[i].width, levels[i].height,
                         levels[i].pixels);
        }
        peerTime += Clock::now() - start;
    }
    const double runs = static_cast<double>(state.iterations());
    const auto ourBytes = static_cast<double>(pngBytesBelow(ours));
    const auto peerBytes = static_cast<double>(pngBytesBelow(peers));
    state.counters["levels"] = static_cast<double>(levels.size());
    state.counters["vexmor_s"] = std::chrono::duration<double>(ourTime).count() / runs;
    state.counters["peer_s"] = std::chrono::duration<double>(peerTime).count() / runs;
    state.counters["time_ratio"] = std::chrono::duration<double>(ourTime).count() /
                                   std::chrono::duration<double>(peerTime).count();
    state.counters["vexmor_MB"] = ourBytes / 1e6;
    state.counters["peer_MB"] = peerBytes / 1e6;
    state.counters["size_ratio"] = ourBytes / peerBytes;
}
BENCHMARK(pngWriterAgainstPeer)->Iterations(3)->Unit(benchmark::kSecond)->UseRealTime();

// The writer's settings against each other on the corpus's levels. Args: deflate level, row
// filter (PngFilter's value).
void writerSettings(benchmark::State& state) {
    const std::vector<LevelPixels>& levels = corpusLevels();
    if (levels.empty()) {
        state.SkipWithError("the sample corpus could not be read");
        return;
    }
    const auto filter = static_cast<platform::PngFilter>(state.range(1));
    const platform::PngCompression compression{static_cast<int>(state.range(0)), filter, filter};
    const std::filesystem::path folder = corpus().scratch("settings");
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        state.ResumeTiming();
        for (std::size_t i = 0; i < levels.size(); ++i) {
            const std::string name = (folder / (std::to_string(i) + ".png")).string();
            platform::encodePngFileWith(name, levels[i].width, levels[i].height, levels[i].pixels,
                                        compression);
        }
    }
    state.counters["MB"] = static_cast<double>(pngBytesBelow(folder)) / 1e6;
}
BENCHMARK(writerSettings)
    ->ArgsProduct({{1, 3, 6, 9}, {0, 1, 2, 4, 5}})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vexmor::bench
