// Packing a folder into a DAT archive is a copy of its files into one: it should take at most 1.2
// times as long as `cat` of the same files into one file. Both run in every iteration, on the
// same 200 MB folder, in turns, so that a machine busy with other work slows both alike; the
// counters give both times and their ratio.
#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include "app/run_context.h"
#include "archive/dat_pack.h"
#include "catalogue/folder_scan.h"
#include "catalogue/source_catalogue.h"
#include "support/dat_builder.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kFiles = 800;

// 800 files of 150,000 to 349,999 bytes, about 200 MB together, built once for the process.
struct Corpus {
    Corpus() {
        for (int i = 0; i < kFiles; ++i) {
            const std::size_t size = 150000 + (static_cast<std::size_t>(i) * 2654435761u) % 200000;
            vexmor::test::writeFile(folder / fmt::format("m{:04}.bin", i),
                                    vexmor::test::patternBytes(size, static_cast<std::uint8_t>(i)));
            totalBytes += static_cast<std::int64_t>(size);
        }
    }

    vexmor::test::TempDir temp;
    fs::path folder = temp / "Track";
    std::int64_t totalBytes = 0;
};

Corpus& corpus() {
    static Corpus instance;
    return instance;
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The -pack job as the main run drives it: the folder scan, then the packing.
double timePack(const Corpus& c, const std::string& archive) {
    const Clock::time_point start = Clock::now();
    std::ostringstream console;
    vexmor::RunContext context(console);
    vexmor::SourceCatalogue catalogue;
    vexmor::scanSourceFolder(context.console, catalogue, c.folder.string());
    vexmor::packDatArchive(context, catalogue, c.folder.string(), archive);
    const double seconds = secondsSince(start);
    return context.writeFailed ? -1 : seconds;
}

// The real cat, through the shell, with the files in the same order.
double timeCat(const std::string& command) {
    const Clock::time_point start = Clock::now();
    const int status = std::system(command.c_str());
    const double seconds = secondsSince(start);
    return status == 0 ? seconds : -1;
}

void BM_PackAgainstCat(benchmark::State& state) {
    Corpus& c = corpus();
    const fs::path archive = c.temp / "Track.dat";
    const fs::path joined = c.temp / "joined.bin";
    const std::string command = "cat " + c.folder.string() + "/* > " + joined.string();
    double packTotal = 0;
    double catTotal = 0;
    bool packFirst = false;
    for (auto _ : state) {
        fs::remove(archive);
        fs::remove(joined);
        packFirst = !packFirst;
        const double first = packFirst ? timePack(c, archive.string()) : timeCat(command);
        const double second = packFirst ? timeCat(command) : timePack(c, archive.string());
        const double pack = packFirst ? first : second;
        const double cat = packFirst ? second : first;
        if (pack < 0 || cat < 0) {
            state.SkipWithError(pack < 0 ? "packing failed" : "cat failed");
            break;
        }
        packTotal += pack;
        catTotal += cat;
        state.SetIterationTime(pack);
    }
    const double n =
        static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
    state.counters["pack_ms"] = packTotal / n * 1000;
    state.counters["cat_ms"] = catTotal / n * 1000;
    state.counters["ratio"] = catTotal > 0 ? packTotal / catTotal : 0;
    state.SetBytesProcessed(state.iterations() * c.totalBytes);
}
BENCHMARK(BM_PackAgainstCat)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

}  // namespace
