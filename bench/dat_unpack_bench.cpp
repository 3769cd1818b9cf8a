// Unpacking a DAT archive is a copy: it should run close to copying the same member bytes with
// cp. Both benchmarks move the same 200 members (about 20 MiB) into a folder of their own.
#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include "app/run_context.h"
#include "archive/dat_archive.h"
#include "catalogue/source_catalogue.h"
#include "support/dat_builder.h"
#include "support/temp_dir.h"

namespace {

constexpr int kMembers = 200;

// One archive and the same members as loose files, built once for the whole process.
struct Corpus {
    Corpus() {
        vexmor::test::DatSpec shape;
        for (int i = 0; i < kMembers; ++i) {
            // 40,000 to 169,714 bytes, about 100 KiB on average: many members span two pieces.
            const std::size_t size = 40000 + (static_cast<std::size_t>(i) * 2654435761u) % 129715;
            vexmor::test::DatMember member;
            member.name = fmt::format("m{}.bin", i);
            member.bytes = vexmor::test::patternBytes(size, static_cast<std::uint8_t>(i));
            totalBytes += static_cast<std::int64_t>(size);
            vexmor::test::writeFile(temp / "members" / member.name, member.bytes);
            shape.members.push_back(std::move(member));
        }
        vexmor::test::writeFile(temp / "game.dat", vexmor::test::buildDat(shape));
    }

    vexmor::test::TempDir temp;
    std::int64_t totalBytes = 0;
};

Corpus& corpus() {
    static Corpus instance;
    return instance;
}

void BM_DatUnpack(benchmark::State& state) {
    Corpus& c = corpus();
    const std::string archive = (c.temp / "game.dat").string();
    const std::string folder = c.temp.str() + "/unpacked/";
    for (auto _ : state) {
        std::ostringstream console;
        vexmor::RunContext context(console);
        vexmor::SourceCatalogue catalogue;
        vexmor::readDatArchive(context, catalogue, archive, true, folder);
        benchmark::DoNotOptimize(catalogue.files.data());
    }
    state.SetBytesProcessed(state.iterations() * c.totalBytes);
}
BENCHMARK(BM_DatUnpack)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CpMembers(benchmark::State& state) {
    Corpus& c = corpus();
    std::filesystem::create_directories(c.temp / "copied");
    const std::string command =
        "cp " + (c.temp / "members").string() + "/* " + (c.temp / "copied").string() + "/";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("cp failed");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * c.totalBytes);
}
BENCHMARK(BM_CpMembers)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
