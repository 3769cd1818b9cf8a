// Bringing level images back into a MIP texture: indices by the palette, smaller levels made
// again after a changed level 0, and the file rewritten only where indices changed.
#include <algorithm>
#include <vector>

#include "app/run_context.h"
#include "catalogue/source_catalogue.h"
#include "import/import_files.h"
#include "import/import_plan.h"
#include "import/index_mapping.h"
#include "import/level_remake.h"
#include "import/texture_import.h"
#include "texture/mip_file.h"
#include "texture/mip_reader.h"

namespace vexmor {
namespace {

constexpr std::string_view kCouldNotOpen = "Could not open file {}";
constexpr std::string_view kNoLevel = "texture {} has no level {}";
constexpr std::string_view kImageInfo = "Image {} is level {} of {}";

struct MipLevels {
    MipHeader header;
    std::vector<MipLevelRecord> records;
    std::vector<std::vector<std::uint8_t>> data;
    std::vector<bool> changed;
    std::vector<bool> imported;
};

// The texture's records and level data through the MIP reader and its bounds.
std::optional<MipLevels> readLevels(RunContext& context, const std::string& path) {
    MipReader reader(context.console, path);
    if (!reader.isOpen() || !reader.readRecords() || !reader.levelsFit()) {
        return std::nullopt;
    }
    MipLevels levels;
    levels.header = reader.header();
    levels.records = reader.records();
    for (std::uint32_t i = 0; i < levels.header.numMips; ++i) {
        levels.data.push_back(reader.readLevel(i));
    }
    levels.changed.assign(levels.header.numMips, false);
    levels.imported.assign(levels.header.numMips, false);
    return levels;
}

// Maps the wanted colours onto one level's indices, counting what changes.
void applyColours(std::span<const std::uint32_t> wanted, std::span<const std::uint32_t> palette,
                  IndexMapping& mapping, std::vector<std::uint8_t>& level, bool& changed,
                  ImportTally& tally) {
    for (std::size_t p = 0; p < level.size() && p < wanted.size(); ++p) {
        const IndexMapping::Result result = mapping.map(wanted[p], palette[level[p]], level[p]);
        tally.approximate += result.approximate ? 1 : 0;
        if (result.index != level[p]) {
            level[p] = result.index;
            ++tally.pixelsChanged;
            changed = true;
        }
    }
}

void importLevelImage(RunContext& context, const std::string& texture, std::uint32_t level,
                      const LevelImage& image, std::span<const std::uint32_t> palette,
                      IndexMapping& mapping, MipLevels& levels, ImportTally& tally) {
    if (level >= levels.header.numMips) {
        reportSkippedImage(context, image.name,
                           formatMessage(kNoLevel, texture, std::uint64_t{level} + 1));
        return;
    }
    const std::uint32_t w = levelWidth(levels.header.width, level);
    const std::uint32_t h = levelHeight(levels.header.heightMinus2, level);
    if (image.namedWidth != 0 && !imageFitsLevel(context, image.name, image.namedWidth,
                                                 image.namedHeight, level, texture, w, h)) {
        return;
    }
    const std::optional<PngImage> png = readImage(context, image.path, image.name);
    if (!png ||
        !imageFitsLevel(context, image.name, png->width, png->height, level, texture, w, h)) {
        return;
    }
    context.console.printInfoLine(kImageInfo, image.name, std::uint64_t{level} + 1, texture);
    std::vector<std::uint32_t> wanted(levels.data[level].size());
    for (std::size_t p = 0; p < wanted.size(); ++p) {
        wanted[p] = png->colourAt(p);
    }
    bool changed = false;
    applyColours(wanted, palette, mapping, levels.data[level], changed, tally);
    levels.changed[level] = changed;
    levels.imported[level] = true;
    ++tally.images;
}

// Smaller levels without an image of their own follow a changed level 0.
void remakeSmallerLevels(std::span<const std::uint32_t> palette, IndexMapping& mapping,
                         MipLevels& levels, ImportTally& tally) {
    if (levels.data.empty() || !levels.changed[0]) {
        return;
    }
    const MipHeader& header = levels.header;
    std::vector<std::uint32_t> levelZero(levels.data[0].size());
    for (std::size_t p = 0; p < levelZero.size(); ++p) {
        levelZero[p] = rgbOf(palette[levels.data[0][p]]);
    }
    const std::uint32_t heightZero = levelHeight(header.heightMinus2, 0);
    for (std::uint32_t i = 1; i < header.numMips; ++i) {
        if (levels.imported[i]) {
            continue;
        }
        const std::vector<std::uint32_t> wanted =
            remadeLevelColours(levelZero, header.width, heightZero, i, levelWidth(header.width, i),
                               levelHeight(header.heightMinus2, i));
        bool changed = false;
        applyColours(wanted, palette, mapping, levels.data[i], changed, tally);
        levels.changed[i] = changed;
        ++tally.levelsRemade;
    }
}

// The file as it was, with the pixel bytes of the changed levels replaced where the file holds
// them.
bool rewriteTexture(RunContext& context, const std::string& path, const MipLevels& levels) {
    std::optional<std::vector<std::uint8_t>> bytes = readFileBytes(path);
    if (!bytes) {
        context.console.printLine(kCouldNotOpen, path);
        return false;
    }
    for (std::size_t i = 0; i < levels.data.size(); ++i) {
        const std::uint64_t start = levelDataPosition(levels.records[i]);
        if (!levels.changed[i] || start >= bytes->size()) {
            continue;
        }
        const std::uint64_t count =
            std::min<std::uint64_t>(levels.data[i].size(), bytes->size() - start);
        std::copy_n(levels.data[i].begin(), count, bytes->begin() + start);
    }
    return writeFileWhole(context, path, *bytes);
}

}  // namespace

void importMip(RunContext& context, const SourceCatalogue& catalogue,
               const TextureImports& imports) {
    std::optional<MipLevels> levels = readLevels(context, imports.path);
    if (!levels) {
        return;
    }
    const std::span<const std::uint32_t> palette = catalogue.paletteColours;
    IndexMapping mapping(palette);
    ImportTally tally;
    for (const auto& [level, image] : imports.levels) {
        importLevelImage(context, imports.path, level, image, palette, mapping, *levels, tally);
    }
    remakeSmallerLevels(palette, mapping, *levels, tally);
    const bool changed = tally.pixelsChanged > 0;
    if (changed && !rewriteTexture(context, imports.path, *levels)) {
        return;
    }
    reportTexture(context, imports.path, tally, changed);
}

}  // namespace vexmor
