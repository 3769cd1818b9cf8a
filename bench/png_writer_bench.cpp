// Measures the PNG writer's deflate levels and row filters on texture-like images, and the cost
// of laying pixels out (colour counting and packing) apart from compression. Compare CPU times:
// wall times carry the file system's work. The writer against a plain libpng encoder on real
// mip levels is in explode_peer_bench.cpp.
#include <benchmark/benchmark.h>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/png_compression.h"
#include "platform/png_layout.h"
#include "support/pcx_builder.h"
#include "support/temp_dir.h"

namespace {

using vexmor::platform::PngCompression;
using vexmor::platform::PngFilter;

enum Content { kPalette256 = 0, kLevels16 = 1, kTrueColour = 2 };

// A texture of side `side`: blocks of flat colour like a livery, gradients, thin stripes and
// dither noise, as palette indices; mapped through a 256-colour palette, through 16 colours
// like an MI4 level, or with a little per-pixel variation beyond any palette.
std::vector<std::uint32_t> texture(Content content, std::uint32_t side) {
    const vexmor::test::PaletteRgb palette = vexmor::test::gradientPalette();
    std::vector<std::uint32_t> pixels(std::size_t{side} * side);
    std::uint32_t noise = 12345;
    for (std::uint32_t y = 0; y < side; ++y) {
        for (std::uint32_t x = 0; x < side; ++x) {
            noise = noise * 1103515245u + 12345u;
            const std::uint32_t block = ((x / 32) * 5 + (y / 24) * 11) % 8;
            std::uint32_t index = block * 32;
            if (block % 3 == 0) {
                index += (x + y) % 32;  // gradient
            } else if (block % 3 == 1) {
                index += ((noise >> 16) & 3);  // dithered flat area
            }
            if (y % 40 < 2) {
                index = 250;  // stripe
            }
            index &= 0xFF;
            std::uint32_t colour = 0;
            switch (content) {
                case kPalette256:
                    colour = vexmor::test::paletteColour(palette, index);
                    break;
                case kLevels16:
                    colour = vexmor::test::paletteColour(palette, (index >> 4) * 17) & 0xFFF8FCF8u;
                    break;
                case kTrueColour:
                    colour =
                        vexmor::test::paletteColour(palette, index) ^ ((noise >> 20) & 0x030303u);
                    break;
            }
            pixels[std::size_t{y} * side + x] = colour;
        }
    }
    return pixels;
}

const char* contentName(std::int64_t content) {
    switch (content) {
        case kPalette256:
            return "palette256";
        case kLevels16:
            return "levels16";
        default:
            return "truecolour";
    }
}

const char* filterName(PngFilter filter) {
    switch (filter) {
        case PngFilter::none:
            return "none";
        case PngFilter::sub:
            return "sub";
        case PngFilter::up:
            return "up";
        case PngFilter::average:
            return "average";
        case PngFilter::paeth:
            return "paeth";
        case PngFilter::adaptive:
            break;
    }
    return "adaptive";
}

// Args: content, side, deflate level, row filter (PngFilter's value).
void encode(benchmark::State& state) {
    const auto content = static_cast<Content>(state.range(0));
    const auto side = static_cast<std::uint32_t>(state.range(1));
    const std::vector<std::uint32_t> pixels = texture(content, side);
    const auto filter = static_cast<PngFilter>(state.range(3));
    const PngCompression compression{static_cast<int>(state.range(2)), filter, filter};
    vexmor::test::TempDir dir;
    const std::string file = (dir / "bench.png").string();
    for (auto _ : state) {
        // The export writes new files: replacing one costs the file system more than the
        // encoding of a small image.
        state.PauseTiming();
        std::filesystem::remove(file);
        state.ResumeTiming();
        if (!vexmor::platform::encodePngFileWith(file, side, side, pixels, compression).written()) {
            state.SkipWithError("encoding failed");
            break;
        }
    }
    state.SetLabel(std::string(contentName(content)) + " " + filterName(filter));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(pixels.size() * 4));
    state.counters["fileBytes"] = static_cast<double>(std::filesystem::file_size(file));
}

// Levels and filters against each other on a 256 KiB texture.
void levelsAndFilters(benchmark::internal::Benchmark* bench) {
    for (const int content : {kPalette256, kLevels16, kTrueColour}) {
        for (const int level : {1, 3, 6, 9, 12}) {
            for (const PngFilter filter : {PngFilter::none, PngFilter::sub, PngFilter::up,
                                           PngFilter::paeth, PngFilter::adaptive}) {
                bench->Args({content, 256, level, static_cast<int>(filter)});
            }
        }
    }
}
BENCHMARK(encode)->Name("levelAndFilter")->Apply(levelsAndFilters)->Unit(benchmark::kMicrosecond);

// The program's own settings.
void chosen(benchmark::State& state) {
    const auto content = static_cast<Content>(state.range(0));
    const auto side = static_cast<std::uint32_t>(state.range(1));
    const std::vector<std::uint32_t> pixels = texture(content, side);
    vexmor::test::TempDir dir;
    const std::string file = (dir / "bench.png").string();
    const PngCompression compression = vexmor::platform::defaultPngCompression();
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(file);
        state.ResumeTiming();
        vexmor::platform::encodePngFileWith(file, side, side, pixels, compression);
    }
    state.SetLabel(contentName(content));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(pixels.size() * 4));
    state.counters["fileBytes"] = static_cast<double>(std::filesystem::file_size(file));
}
BENCHMARK(chosen)
    ->ArgsProduct({{kPalette256, kLevels16, kTrueColour}, {128, 256, 512}})
    ->Unit(benchmark::kMicrosecond);

// Colour counting and row packing alone.
void layout(benchmark::State& state) {
    const auto content = static_cast<Content>(state.range(0));
    const auto side = static_cast<std::uint32_t>(state.range(1));
    const std::vector<std::uint32_t> pixels = texture(content, side);
    for (auto _ : state) {
        benchmark::DoNotOptimize(vexmor::platform::layOutPng(side, side, pixels));
    }
    state.SetLabel(contentName(content));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(pixels.size() * 4));
}
BENCHMARK(layout)
    ->ArgsProduct({{kPalette256, kLevels16, kTrueColour}, {128, 512}})
    ->Unit(benchmark::kMicrosecond);

}  // namespace
