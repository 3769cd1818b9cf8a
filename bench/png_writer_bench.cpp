// Measures the PNG writer's zlib and filter settings on texture-like images, and the cost of
// laying pixels out (colour counting and packing) apart from compression. Compare CPU times:
// wall times carry the file system's work. Until a large block has been freed, glibc hands
// zlib's 256 KiB of state back to the system after every image, which makes the first small
// cases several times slower whatever the settings: run whole groups, not single cases.
#include <benchmark/benchmark.h>
#include <png.h>
#include <zlib.h>

#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/console.h"
#include "platform/png_compression.h"
#include "platform/png_layout.h"
#include "support/pcx_builder.h"
#include "support/temp_dir.h"

namespace {

using vexmor::platform::PngCompression;

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

int filterMask(std::int64_t filter) {
    switch (filter) {
        case 0:
            return PNG_FILTER_NONE;
        case 1:
            return PNG_FILTER_SUB;
        case 2:
            return PNG_FILTER_UP;
        case 3:
            return PNG_FILTER_PAETH;
        default:
            return PNG_ALL_FILTERS;
    }
}

const char* strategyName(std::int64_t strategy) {
    switch (strategy) {
        case Z_FILTERED:
            return "filtered";
        case Z_HUFFMAN_ONLY:
            return "huffman";
        case Z_RLE:
            return "rle";
        default:
            return "default";
    }
}

// Args: content, side, zlib level, zlib strategy, filter (0 none, 1 sub, 2 up, 3 paeth, 4 all),
// IDAT buffer in KiB.
void encode(benchmark::State& state) {
    const auto content = static_cast<Content>(state.range(0));
    const auto side = static_cast<std::uint32_t>(state.range(1));
    const std::vector<std::uint32_t> pixels = texture(content, side);
    const vexmor::platform::PngStreamSettings stream{static_cast<int>(state.range(2)),
                                                     static_cast<int>(state.range(3)),
                                                     filterMask(state.range(4))};
    const PngCompression compression{stream, stream,
                                     static_cast<std::size_t>(state.range(5)) * 1024};
    vexmor::test::TempDir dir;
    const std::string file = (dir / "bench.png").string();
    std::ostringstream out;
    const bool info = false;
    vexmor::Console console(out, info);
    for (auto _ : state) {
        // The export writes new files: replacing one costs the file system more than the
        // encoding of a small image.
        state.PauseTiming();
        std::filesystem::remove(file);
        state.ResumeTiming();
        if (!vexmor::platform::encodePngFileWith(console, file, side, side, pixels, compression)) {
            state.SkipWithError("encoding failed");
            break;
        }
    }
    state.SetLabel(std::string(contentName(content)) + " " + strategyName(state.range(3)));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(pixels.size() * 4));
    state.counters["fileBytes"] = static_cast<double>(std::filesystem::file_size(file));
}

// The chosen settings against the alternatives, on 64 KiB and 1 MiB textures.
void levelsAndStrategies(benchmark::internal::Benchmark* bench) {
    for (const int content : {kPalette256, kLevels16}) {
        for (const int side : {128, 512}) {
            for (const int level : {1, 3, 6, 9}) {
                for (const int strategy : {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_RLE, Z_HUFFMAN_ONLY}) {
                    bench->Args({content, side, level, strategy, 0, 8});
                }
            }
        }
    }
}
BENCHMARK(encode)
    ->Name("levelAndStrategy")
    ->Apply(levelsAndStrategies)
    ->Unit(benchmark::kMicrosecond);

void filtersAndBuffers(benchmark::internal::Benchmark* bench) {
    for (const int content : {kPalette256, kLevels16, kTrueColour}) {
        for (const int filter : {0, 1, 2, 3, 4}) {
            bench->Args({content, 512, 1, Z_DEFAULT_STRATEGY, filter, 8});
            bench->Args({content, 512, 1, Z_RLE, filter, 8});
        }
        for (const int kib : {8, 64, 256}) {
            bench->Args({content, 512, 1, Z_RLE, 0, kib});
        }
    }
}
BENCHMARK(encode)->Name("filterAndBuffer")->Apply(filtersAndBuffers)->Unit(benchmark::kMicrosecond);

// The program's own settings.
void chosen(benchmark::State& state) {
    const auto content = static_cast<Content>(state.range(0));
    const auto side = static_cast<std::uint32_t>(state.range(1));
    const std::vector<std::uint32_t> pixels = texture(content, side);
    vexmor::test::TempDir dir;
    const std::string file = (dir / "bench.png").string();
    std::ostringstream out;
    const bool info = false;
    vexmor::Console console(out, info);
    const PngCompression compression = vexmor::platform::defaultPngCompression();
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(file);
        state.ResumeTiming();
        vexmor::platform::encodePngFileWith(console, file, side, side, pixels, compression);
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
