#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "catalogue/source_catalogue.h"
#include "export/mi4_export.h"
#include "support/captured_run.h"
#include "support/mi4_builder.h"
#include "support/pcx_builder.h"
#include "support/temp_dir.h"
#include "texture/mi4_conversion.h"

namespace vexmor {
namespace {

// A 256 × 258 track texture with four levels and more colours than a level palette holds.
MipImage trackTexture() {
    test::MipSpec shape;
    shape.width = 256;
    shape.heightMinus2 = 256;
    shape.numMips = 4;
    shape.pixel = [](std::uint32_t level, std::uint32_t x, std::uint32_t y) -> std::uint8_t {
        return static_cast<std::uint8_t>((x * 7 + y * 3 + level) % 40);
    };
    return test::makeMipImage(shape);
}

std::uint64_t pixelCount(const MipImage& image) {
    std::uint64_t count = 0;
    for (const auto& level : image.levels) {
        count += level.size();
    }
    return count;
}

void BM_ConvertMipToMi4(benchmark::State& state) {
    test::TempDir dir;
    test::CapturedRun run;
    SourceCatalogue catalogue;
    catalogue.paletteRgb = test::gradientPalette();
    const MipImage image = trackTexture();
    const std::string path = (dir / "wall.mip").string();
    for (auto _ : state) {
        convertMipToMi4(run.context, catalogue, image, path, "wall.mip");
        run.clearOutput();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * pixelCount(image)));
}
BENCHMARK(BM_ConvertMipToMi4);

void BM_Mi4Explode(benchmark::State& state) {
    test::TempDir dir;
    test::CapturedRun run;
    SourceCatalogue catalogue;
    catalogue.paletteRgb = test::gradientPalette();
    std::filesystem::create_directories(dir / "src");
    std::filesystem::create_directories(dir / "out");
    convertMipToMi4(run.context, catalogue, trackTexture(), (dir / "src" / "wall.mip").string(),
                    "wall.mip");
    run.context.options.explode = true;
    const std::string source = dir.str() + "/src/";
    const std::string target = dir.str() + "/out/wall.mi4";
    for (auto _ : state) {
        processMi4File(run.context, "wall.mi4", source, target);
        run.clearOutput();
    }
}
BENCHMARK(BM_Mi4Explode);

}  // namespace
}  // namespace vexmor
