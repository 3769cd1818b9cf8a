#include "texture/mip_shrink.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <utility>

#include "app/process_exit.h"
#include "app/run_context.h"
#include "catalogue/source_catalogue.h"
#include "common/text.h"
#include "texture/mip_file.h"
#include "texture/mip_resample.h"

namespace vexmor {

namespace {

constexpr std::string_view kScaleX = "Setting scaling factor for {} to be {}";
constexpr std::string_view kScaleY = "Setting scaling factor Y for {} to be {}";
constexpr std::string_view kWithoutConversion = "Saving {} without conversion";
constexpr std::string_view kWithConversion = "Saving {} with conversion ({}x{})";
constexpr std::string_view kBaseName = "MIP basefilename {}";
constexpr std::string_view kDimensionError =
    "Error mip dimension for {}({}x{}) shrinking to {}x{} at mip level {}";
constexpr std::string_view kConverting = "Converting {}:{}x{}";
constexpr std::string_view kTargetRes =
    "Target res {}x{}, mip size {}, calculated size {}, shrunk size {}";
constexpr std::string_view kLevelSizes = "MIP {}:{} ({}x{}), original size {}, new size {} ({}x{})";

// A texture narrower than two pixels at level 0 cannot be shrunk: the run ends with this code.
constexpr int kDimensionExitCode = 10;

// Expansion aims at this width and keeps the height below the second bound.
constexpr std::uint32_t kExpandedWidth = 1024;
constexpr std::uint64_t kExpandedHeightBound = 0x4000;

// A limit below 1 can be met by no texture; it is taken as 1, which asks for the narrowest.
std::int64_t effectiveLimit(std::int32_t limit) {
    return std::max<std::int64_t>(limit, 1);
}

bool exceeds(std::uint32_t size, std::int32_t limit) {
    return size > effectiveLimit(limit);
}

// The power of two by which `size` is divided to approach the limit: 2^e with
// e = trunc(log2 of the size in single precision − log2 of the limit in double precision).
// A size at most twice the limit therefore keeps the factor 1.
std::uint64_t shrinkFactor(std::uint32_t size, std::int32_t limit) {
    if (!exceeds(size, limit)) {
        return 1;
    }
    const double difference = static_cast<double>(std::log2(static_cast<float>(size))) -
                              std::log2(static_cast<double>(effectiveLimit(limit)));
    // log2 of a 32-bit size is at most 32, and rounding may take it just below zero.
    const auto exponent = static_cast<std::uint32_t>(std::clamp(difference, 0.0, 32.0));
    return std::uint64_t{1} << exponent;
}

// value / 2^level, for any level: a shift past the word leaves 0 rather than being undefined.
std::uint32_t dividedByLevel(std::uint32_t value, std::uint64_t level) {
    return levelWidth(value, level);
}

// The height the level messages show: bit 1 set when the value is below 2 or the reference
// height has it set.
std::uint64_t heightAdjust(std::uint64_t value, std::uint32_t reference) {
    return value < 2 || (reference & 2) != 0 ? value | 2 : value;
}

// The factors across and down by which the texture shrinks, printed and kept for the meshes
// that show it.
std::pair<std::uint64_t, std::uint64_t> recordScaleFactors(RunContext& context,
                                                           const std::string& path,
                                                           std::uint32_t width,
                                                           std::uint32_t height) {
    const std::string key = toLowerAscii(path);
    const std::uint64_t sx = shrinkFactor(width, context.options.widthLimit);
    context.mipScaleX[key] = static_cast<std::int32_t>(sx);
    context.console.printLine(kScaleX, path, sx);
    const std::uint64_t sy = shrinkFactor(height, context.options.heightLimit);
    context.mipScaleY[key] = static_cast<std::int32_t>(sy);
    context.console.printLine(kScaleY, path, sy);
    return {sx, sy};
}

// The steps every re-export shares: its line, the detail line, the shrunk list and the mark.
void markConverted(RunContext& context, SourceCatalogue& catalogue, const std::string& path,
                   std::uint32_t width, std::uint32_t height) {
    context.console.printLine(kWithConversion, path, width, height);
    context.console.printInfoLine(kBaseName, path);
    context.shrunkMips.insert(toLowerAscii(path));
    catalogue.mipEntry(path).shrunk = true;
}

void dropLevelsFrom(MipImage& image, std::size_t first) {
    image.levels.resize(std::min(first, image.levels.size()));
    image.levelRecords.resize(std::min(first, image.levelRecords.size()));
    image.header.numMips = static_cast<std::uint32_t>(first);
}

}  // namespace

// Vertical shrinking keeps the MIP level layout intact: with the factor sy the new stored height
// is heightMinus2 / sy, so level i becomes w'(i) × h'(i) with h'(i) = ((heightMinus2 / sy) >> i)
// + 2, exactly what a reader expects from the new header. Its output row r is the source row
// nearest to r × h(i) / h'(i), clamped to the last row. When only the width shrinks,
// h'(i) = h(i) and every row is kept. Where rows are dropped the level lines show the heights
// actually kept.
void shrinkMip(RunContext& context, SourceCatalogue& catalogue, MipImage& image, std::string path,
               std::string rel) {
    if (context.options.reduce) {
        reduceMipLevels(context, catalogue, image, std::move(path), std::move(rel));
        return;
    }
    const RunOptions& options = context.options;
    const std::uint32_t width = image.width;
    const std::uint32_t height = image.height;
    const auto [sx, sy] = recordScaleFactors(context, path, width, height);

    if (!catalogue.oversizeMipSeen) {
        context.console.printLine(kWithoutConversion, path);
        return;
    }
    markConverted(context, catalogue, path, width, height);

    const bool flagX = exceeds(width, options.widthLimit);
    const bool flagY = exceeds(height, options.heightLimit);
    const std::uint32_t heightMinus2 = image.header.heightMinus2;
    const auto newWidth = static_cast<std::uint32_t>(flagX ? width / sx : width);
    const auto newHeightMinus2 =
        static_cast<std::uint32_t>(flagY ? heightMinus2 / sy : heightMinus2);
    const std::uint32_t newHeight = newHeightMinus2 + 2;

    for (std::size_t i = 0; i < image.levels.size(); ++i) {
        const std::uint64_t kept = levelWidth(width, i) / sx;
        const std::uint64_t keptRows = levelHeight(newHeightMinus2, i);
        const std::uint64_t shownRows =
            flagY ? keptRows : heightAdjust(dividedByLevel(height, i) / sy, height);
        if (kept < 2) {
            if (i == 0) {
                context.console.printLine(kDimensionError, path, width, height, kept, shownRows, 0);
                throw ProcessExit{kDimensionExitCode};
            }
            dropLevelsFrom(image, i);
            break;
        }
        context.console.printInfoLine(kConverting, path, kept, shownRows);
        std::vector<std::uint8_t>& level = image.levels[i];
        std::vector<std::uint8_t> shrunk = resampleLevel(
            level, {levelWidth(width, i), levelHeight(heightMinus2, i)}, sx, {kept, keptRows});
        context.console.printInfoLine(kTargetRes, kept, shownRows, level.size(), kept * shownRows,
                                      shrunk.size());
        context.console.printInfoLine(
            kLevelSizes, path, i, dividedByLevel(width, i), dividedByLevel(height, i), level.size(),
            shrunk.size(), dividedByLevel(newWidth, i),
            flagY ? keptRows : std::uint64_t{dividedByLevel(newHeight, i)});
        level = std::move(shrunk);
    }

    image.width = newWidth;
    image.height = newHeight;
    image.header.width = newWidth;
    image.header.heightMinus2 = newHeightMinus2;
    writeMip(context, image, path);
}

void reduceMipLevels(RunContext& context, SourceCatalogue& catalogue, MipImage& image,
                     std::string path, std::string rel) {
    const RunOptions& options = context.options;
    if (options.expandMipsGiven) {
        expandMip(context, catalogue, image, std::move(path), std::move(rel));
        return;
    }
    if (options.counterGiven &&
        context.droppedLevelTotal >= static_cast<std::uint32_t>(options.counter)) {
        return;
    }
    const std::uint32_t width = image.width;
    const std::uint32_t height = image.height;
    markConverted(context, catalogue, path, width, height);

    const auto count = static_cast<std::int64_t>(image.levels.size());
    std::int64_t keep = 0;
    if (options.maxMipsGiven) {
        keep = options.maxMips;
    } else if (options.limitGiven) {
        keep = count > options.limit ? count - options.limit : 1;
    } else {
        keep = options.quarter ? count / 4 : count / 2;
    }
    // A texture keeps at least its largest level: a MIP without levels is no texture.
    keep = std::max(keep, std::min<std::int64_t>(count, 1));
    context.droppedLevelTotal += static_cast<std::uint32_t>(count - keep);

    const auto newHeight = static_cast<std::uint32_t>(
        exceeds(height, options.heightLimit) ? heightAdjust(height, height) : height);
    for (std::size_t i = 0; i < image.levels.size(); ++i) {
        if (static_cast<std::int64_t>(i) >= keep) {
            dropLevelsFrom(image, i);
            break;
        }
        const std::uint32_t levelW = dividedByLevel(width, i);
        const std::uint64_t levelH = heightAdjust(dividedByLevel(height, i), height);
        const std::size_t length = image.levels[i].size();
        context.console.printInfoLine(kConverting, path, levelW, levelH);
        context.console.printInfoLine(kTargetRes, levelW, levelH, length, levelW * levelH, length);
        context.console.printInfoLine(
            kLevelSizes, path, i, levelW, dividedByLevel(height, i), length, length, levelW,
            dividedByLevel(static_cast<std::uint32_t>(heightAdjust(height, height)), i));
    }

    image.height = newHeight;
    image.header.width = width;
    image.header.heightMinus2 = newHeight - 2;
    writeMip(context, image, path);
}

void expandMip(RunContext& context, SourceCatalogue& catalogue, MipImage& image, std::string path,
               std::string) {
    const std::uint32_t width = image.width;
    const std::uint32_t height = image.height;
    // Nothing was read (or the texture is empty): leave the copy as it is.
    if (width == 0 || height == 0) {
        return;
    }
    std::uint64_t copiesX = 1;
    std::uint32_t newWidth = width;
    if (width < kExpandedWidth && kExpandedWidth % width == 0) {
        copiesX = kExpandedWidth / width;
        newWidth = kExpandedWidth;
    }
    // A multiplier below 1 would empty every level; it is taken as 1.
    std::uint64_t copiesY = static_cast<std::uint64_t>(std::max(context.options.expandMips, 1));
    std::uint32_t newHeight = height;
    if (std::uint64_t{height} * copiesY < kExpandedHeightBound) {
        newHeight = static_cast<std::uint32_t>(height * copiesY);
    } else {
        copiesY = 1;
    }
    markConverted(context, catalogue, path, newWidth, newHeight);

    const auto adjustedHeight = static_cast<std::uint32_t>(heightAdjust(newHeight, newHeight));
    const std::uint64_t copies = copiesX * copiesY;
    for (std::size_t i = 0; i < image.levels.size(); ++i) {
        const std::uint32_t levelW = dividedByLevel(newWidth, i);
        const std::uint64_t levelH = heightAdjust(dividedByLevel(newHeight, i), newHeight);
        context.console.printInfoLine(kConverting, path, levelW, levelH);
        std::vector<std::uint8_t>& level = image.levels[i];
        // Copies of the whole level one after another, not an enlargement of its pixels.
        std::vector<std::uint8_t> expanded;
        expanded.reserve(static_cast<std::size_t>(level.size() * copies));
        for (std::uint64_t c = 0; c < copies; ++c) {
            expanded.insert(expanded.end(), level.begin(), level.end());
        }
        context.console.printInfoLine(kTargetRes, levelW, levelH, level.size(), levelW * levelH,
                                      expanded.size());
        context.console.printInfoLine(kLevelSizes, path, i, levelW, dividedByLevel(newHeight, i),
                                      level.size(), expanded.size(), levelW,
                                      dividedByLevel(adjustedHeight, i));
        level = std::move(expanded);
    }

    const std::uint32_t finalHeight =
        exceeds(newHeight, context.options.heightLimit) ? adjustedHeight : newHeight;
    image.width = newWidth;
    image.height = finalHeight;
    image.header.width = newWidth;
    image.header.heightMinus2 = finalHeight - 2;
    writeMip(context, image, path);
}

}  // namespace vexmor
