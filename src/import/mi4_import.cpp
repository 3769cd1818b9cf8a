// Bringing level images back into an MI4 texture: each level's pixels become slots of its own
// 16-colour palette, which stays as it is.
#include <algorithm>
#include <array>
#include <vector>

#include "app/limits.h"
#include "app/run_context.h"
#include "import/import_files.h"
#include "import/import_plan.h"
#include "import/index_mapping.h"
#include "import/texture_import.h"
#include "texture/mi4_file.h"

namespace vexmor {
namespace {

constexpr std::string_view kCouldNotOpen = "Could not open Mi4 file {}";
constexpr std::string_view kUnreadableLevels = "texture {} claims {} levels, more than it can hold";
constexpr std::string_view kNoLevel = "texture {} has no level {}";
constexpr std::string_view kBeyondFile = "level {} of {} lies beyond the end of its file";
constexpr std::string_view kImageInfo = "Image {} is level {} of {}";

struct Mi4Texture {
    std::vector<std::uint8_t> bytes;  // the whole file, changed in place
    Mi4Header header;
    std::vector<Mi4LevelRecord> records;
};

// The bytes at `position`, zero-filled where the file has none.
template <std::size_t N>
std::array<std::uint8_t, N> bytesAt(std::span<const std::uint8_t> file, std::int64_t position) {
    std::array<std::uint8_t, N> out{};
    for (std::size_t i = 0; i < N; ++i) {
        const std::int64_t at = position + static_cast<std::int64_t>(i);
        if (at >= 0 && static_cast<std::uint64_t>(at) < file.size()) {
            out[i] = file[static_cast<std::size_t>(at)];
        }
    }
    return out;
}

// The header and records as the MI4 export reads them; nothing when the records cannot fit.
std::optional<Mi4Texture> readTexture(RunContext& context, const TextureImports& imports) {
    std::optional<std::vector<std::uint8_t>> bytes = readFileBytes(imports.path);
    if (!bytes) {
        context.console.printLine(kCouldNotOpen, imports.path);
        return std::nullopt;
    }
    Mi4Texture texture;
    texture.bytes = std::move(*bytes);
    texture.header = decodeTextureHeader<Mi4Header>(bytesAt<kTextureHeaderSize>(texture.bytes, 0));
    const std::uint64_t numMips = texture.header.numMips;
    if (numMips > limits::kMaxMipLevels ||
        kTextureHeaderSize + kLevelRecordSize * numMips > texture.bytes.size()) {
        for (const auto& [level, image] : imports.levels) {
            reportSkippedImage(context, image.name,
                               formatMessage(kUnreadableLevels, imports.path, numMips));
        }
        return std::nullopt;
    }
    for (std::size_t i = 0; i < numMips; ++i) {
        texture.records.push_back(
            decodeLevelRecord(std::span<const std::uint8_t>(texture.bytes)
                                  .subspan(kTextureHeaderSize + kLevelRecordSize * i)
                                  .first<kLevelRecordSize>()));
    }
    return texture;
}

Mi4LevelColours levelColours(const Mi4Texture& texture, std::size_t level) {
    const std::int64_t position = mi4PalettePosition(texture.records, level, texture.bytes.size());
    const auto bytes = bytesAt<kMi4PaletteBytes>(texture.bytes, position);
    Mi4LevelColours colours{};
    for (std::size_t s = 0; s < kMi4PaletteSlots; ++s) {
        colours[s] = decodeMi4Colour(readU16(bytes, 2 * s));
    }
    return colours;
}

// Writes slot `slot` into pixel p of the packed pixels at `pixels`: high nibble first.
void setSlot(std::span<std::uint8_t> pixels, std::size_t p, std::uint8_t slot) {
    std::uint8_t& byte = pixels[p / 2];
    byte = p % 2 == 0 ? static_cast<std::uint8_t>((byte & 0x0F) | slot << 4)
                      : static_cast<std::uint8_t>((byte & 0xF0) | slot);
}

std::uint8_t slotOf(std::span<const std::uint8_t> pixels, std::size_t p) {
    return p % 2 == 0 ? pixels[p / 2] >> 4 : pixels[p / 2] & 0x0F;
}

// Maps the image onto the level's slots in place. An odd last pixel lies beyond the packed
// bytes the export reads; it is written only when the level's own bytes hold it.
void applyImage(const PngImage& png, Mi4Texture& texture, std::size_t level, ImportTally& tally) {
    const Mi4ReadGeometry geometry = mi4ReadGeometry(texture.header, level);
    const Mi4LevelColours colours = levelColours(texture, level);
    const std::uint64_t start = std::uint64_t{texture.records[level].offset} + 4;
    const std::uint64_t pixelCount = std::uint64_t{geometry.width} * geometry.height;
    const std::int64_t palette = mi4PalettePosition(texture.records, level, texture.bytes.size());
    const std::uint64_t end = start + geometry.packedBytes;
    const bool oddPixelHeld = pixelCount % 2 != 0 && end < texture.bytes.size() &&
                              (palette < 0 || end < static_cast<std::uint64_t>(palette));
    const std::span<std::uint8_t> pixels =
        std::span(texture.bytes).subspan(start, geometry.packedBytes + (oddPixelHeld ? 1 : 0));
    const std::vector<std::uint32_t> shown =
        decodeMi4Pixels(pixels.first(geometry.packedBytes), colours, pixelCount);
    IndexMapping mapping(colours);
    for (std::size_t p = 0; p < pixelCount; ++p) {
        const bool held = p < 2 * geometry.packedBytes || oddPixelHeld;
        const std::uint8_t current = held ? slotOf(pixels, p) : 0;
        const IndexMapping::Result result = mapping.map(png.colourAt(p), shown[p], current);
        tally.approximate += result.approximate ? 1 : 0;
        if (held && result.index != current) {
            setSlot(pixels, p, result.index);
            ++tally.pixelsChanged;
        }
    }
}

void importLevelImage(RunContext& context, const std::string& path, std::uint32_t level,
                      const LevelImage& image, Mi4Texture& texture, ImportTally& tally) {
    if (level >= texture.records.size()) {
        reportSkippedImage(context, image.name,
                           formatMessage(kNoLevel, path, std::uint64_t{level} + 1));
        return;
    }
    const Mi4ReadGeometry geometry = mi4ReadGeometry(texture.header, level);
    if (image.namedWidth != 0 &&
        !imageFitsLevel(context, image.name, image.namedWidth, image.namedHeight, level, path,
                        geometry.width, geometry.height)) {
        return;
    }
    const std::uint64_t start = std::uint64_t{texture.records[level].offset} + 4;
    if (start + geometry.packedBytes > texture.bytes.size()) {
        reportSkippedImage(context, image.name,
                           formatMessage(kBeyondFile, std::uint64_t{level} + 1, path));
        return;
    }
    const std::optional<PngImage> png = readImage(context, image.path, image.name);
    if (!png || !imageFitsLevel(context, image.name, png->width, png->height, level, path,
                                geometry.width, geometry.height)) {
        return;
    }
    context.console.printInfoLine(kImageInfo, image.name, std::uint64_t{level} + 1, path);
    applyImage(*png, texture, level, tally);
    ++tally.images;
}

}  // namespace

void importMi4(RunContext& context, const TextureImports& imports) {
    std::optional<Mi4Texture> texture = readTexture(context, imports);
    if (!texture) {
        return;
    }
    ImportTally tally;
    for (const auto& [level, image] : imports.levels) {
        importLevelImage(context, imports.path, level, image, *texture, tally);
    }
    const bool changed = tally.pixelsChanged > 0;
    if (changed && !writeFileWhole(context, imports.path, texture->bytes)) {
        return;
    }
    reportTexture(context, imports.path, tally, changed);
}

}  // namespace vexmor
