#include "texture/mi4_conversion.h"

#include <algorithm>
#include <span>
#include <string_view>
#include <vector>

#include "app/output_file.h"
#include "app/run_context.h"
#include "catalogue/source_catalogue.h"
#include "common/text.h"
#include "texture/chunked_stream.h"
#include "texture/mi4_file.h"
#include "texture/mi4_palette.h"
#include "texture/mip_file.h"

namespace vexmor {
namespace {

constexpr std::string_view kSaving = "Saving {} with conversion";
constexpr std::string_view kMipBaseName = "MIP basefilename {}";
constexpr std::string_view kBaseFileName = "Base filename is {}";
constexpr std::string_view kConverting = "Converting MIP {}:{}x{} to Mi4";
constexpr std::string_view kTriggered = "Triggered";
constexpr std::string_view kTriggerName = "grstcr1.mip";
constexpr std::string_view kLevelLayout =
    "Miplevel {}, Width {}, Height {}, image size {}, Offset {}, mip height {}, mipLevelmagic {}";
constexpr std::string_view kFileSize = "File size is {}";
constexpr std::string_view kConverted =
    "MI4 {}: new (MI4) file size {} (bytes), MIP file size {} (bytes)";

struct LevelLayout {
    Mi4LevelRecord record;
    std::uint64_t pixelCount = 0;
};

// Positions every level block and fills the header; prints one line per level.
std::vector<LevelLayout> layOut(RunContext& context, const MipImage& image, Mi4Header& header) {
    const std::size_t levelCount = image.levelRecords.size();
    std::vector<LevelLayout> layout(levelCount);
    std::uint64_t position = kTextureHeaderSize + kLevelRecordSize * std::uint64_t{levelCount};
    for (std::size_t i = 0; i < levelCount; ++i) {
        const std::uint32_t width = levelWidth(image.header.width, i);
        const std::uint32_t height = levelHeight(image.header.heightMinus2, i);
        LevelLayout& level = layout[i];
        level.pixelCount = levelByteCount(image.header, i);
        level.record.mipLevelInternal = lowBitMask(levelCount - i);
        level.record.magic = mi4LevelMagic(height);
        level.record.offset = static_cast<std::uint32_t>(position - 4);
        const std::uint64_t packed = mi4PackedSize(level.pixelCount);
        context.console.printLine(kLevelLayout, level.record.mipLevelInternal, width, height,
                                  packed, position, image.height, level.record.magic);
        position += packed + kMi4PaletteBytes;
    }
    header.size = static_cast<std::uint32_t>(position - 4);
    header.width = image.width;
    header.height = image.height;
    header.numMips = static_cast<std::uint32_t>(levelCount);
    header.defaultColour = image.header.defaultColour;
    context.console.printLine(kFileSize, header.size);
    return layout;
}

// The level's pixels, exactly `count` of them; a level held short reads as index 0.
std::span<const std::uint8_t> levelPixels(const MipImage& image, std::size_t level,
                                          std::uint64_t count, std::vector<std::uint8_t>& padded) {
    if (level < image.levels.size() && image.levels[level].size() >= count) {
        return std::span(image.levels[level]).first(count);
    }
    padded.assign(count, 0);
    if (level < image.levels.size()) {
        std::copy(image.levels[level].begin(), image.levels[level].end(), padded.begin());
    }
    return padded;
}

}  // namespace

void convertMipToMi4(RunContext& context, SourceCatalogue& catalogue, const MipImage& image,
                     std::string path, std::string /*rel*/) {
    Console& console = context.console;
    console.printLine(kSaving, path);
    console.printLine(kMipBaseName, path);
    const std::string lowered = toLowerAscii(path);
    const std::string baseName(fileNamePart(lowered));
    console.printLine(kBaseFileName, baseName);
    context.shrunkMips.insert(baseName);
    console.printInfoLine(kConverting, path, image.width, image.height);
    const std::string mi4Path = mi4PathFor(path);
    if (path.find(kTriggerName) != std::string::npos) {
        console.printLine(kTriggered);
    }

    Mi4Header header;
    const std::vector<LevelLayout> layout = layOut(context, image, header);

    OutputFile file(context, mi4Path);
    if (!file.ready()) {
        return;
    }
    std::ofstream out = file.openStream();
    writeChunked(out, encodeTextureHeader(header));
    for (const LevelLayout& level : layout) {
        writeChunked(out, encodeLevelRecord(level.record));
    }
    std::vector<std::uint8_t> padded;
    for (std::size_t i = 0; i < layout.size(); ++i) {
        const auto pixels = levelPixels(image, i, layout[i].pixelCount, padded);
        const Mi4LevelPalette palette = buildMi4LevelPalette(pixels, catalogue.paletteRgb);
        writeChunked(out, packMi4Pixels(pixels, palette));
        writeChunked(out, encodeMi4Palette(palette));
    }
    // Announced only once the file is in place.
    if (file.commit(out)) {
        console.printLine(kConverted, mi4Path, header.size, image.header.size);
    }
}

}  // namespace vexmor
