#include "export/mip_export.h"

#include <algorithm>
#include <array>
#include <bit>
#include <span>
#include <utility>
#include <vector>

#include "app/process_exit.h"
#include "app/run_context.h"
#include "archive/output_folder.h"
#include "catalogue/source_catalogue.h"
#include "common/text.h"
#include "export/image_names.h"
#include "export/png_writer.h"
#include "texture/mip_file.h"
#include "texture/mip_reader.h"

namespace vexmor {
namespace {

constexpr std::string_view kHeaderLine = "MIP {}, dims {}x{}, num {}, default colour {:08X}";
constexpr std::string_view kLevelLine = "Mip i {}, dims {}x{}, {:b}({:X}), {:b}({:X}), offset {:X}";
constexpr std::string_view kVerificationFailed =
    "WARNING!: Verification failed: img mip {:X} (expected {:X}), not img value {:X}, expected "
    "{:X}";
constexpr std::string_view kColourCount = "MIP {}:{}, {}x{} num colours {}";
constexpr std::string_view kNeedPalette =
    "To explode a carset a palette file (sunny.pcx) needs to be specified with the -palette "
    "<path>";
constexpr std::string_view kPaletteSource =
    "A sunny.pcx file can be unpacked from a .dat file from an existing ICR2 track (in the "
    "TRACKS) folder";
constexpr std::string_view kFolderName = "Folder name is {}";
constexpr std::string_view kSavingMip = "Saving MIP {}";
constexpr int kNoPaletteExitCode = 1;

void recordLevelStatistics(RunStatistics& s, const MipHeader& header, std::uint64_t levelBytes) {
    const std::uint32_t fullHeight = header.heightMinus2 + 2;
    if (levelBytes > s.largestMipSize) {
        s.largestMipSize = levelBytes;
        s.largestMipWidth = header.width;
        s.largestMipHeight = fullHeight;
    }
    s.maxMipWidth = std::max<std::uint64_t>(s.maxMipWidth, header.width);
    s.maxMipHeight = std::max<std::uint64_t>(s.maxMipHeight, fullHeight);
    s.mipLevelSizes.push_back(levelBytes);
    s.totalMipBytes += levelBytes;
}

// A record is good when its mask 2^k - 1 has k equal to the levels from here to the end, and its
// magic is the mask's complement pattern.
void checkLevelRecord(RunContext& context, const MipHeader& header, std::uint32_t level,
                      const MipLevelRecord& record) {
    const std::uint32_t maskPlusOne = record.mipLevelInternal + 1;
    // The integer part of log2; a mask that wraps to 0 has no logarithm and counts as 0.
    const std::uint32_t bits =
        maskPlusOne == 0 ? 0 : static_cast<std::uint32_t>(std::bit_width(maskPlusOne) - 1);
    const std::uint32_t expectedLevels = header.numMips - level;
    const std::uint32_t expectedMagic = ~(2 * record.mipLevelInternal + 1);
    if (bits != expectedLevels || record.magic != expectedMagic) {
        context.console.printLine(kVerificationFailed, expectedLevels, bits, expectedMagic,
                                  record.magic);
    }
}

// Where the levels of one texture are exported: the path it was read from, whether the run
// converts, and the source and output folders.
struct LevelExport {
    const std::string& mipPath;
    bool convert = false;
    const std::string& source;
    const std::string& output;
    bool firstLevelOnly = false;
};

// The images of a MIP go below the output folder with the MIP's path relative to the folder it
// was read from: the source folder, or the output folder when converting (the MIP read is then
// the copy).
std::string exportPathOf(const LevelExport& where) {
    const std::size_t cut = (where.convert ? where.output : where.source).size();
    return where.output + (cut <= where.mipPath.size() ? where.mipPath.substr(cut) : std::string());
}

// The texture's statistics and each level's line, statistics and record check.
void recordTextureStatistics(RunContext& context, SourceCatalogue& catalogue,
                             const MipReader& reader) {
    const MipHeader& header = reader.header();
    RunStatistics& statistics = context.statistics;
    statistics.minMipLevels = std::min(statistics.minMipLevels, header.numMips);
    statistics.maxMipLevels = std::max(statistics.maxMipLevels, header.numMips);
    statistics.totalMipLevels += header.numMips;
    for (std::uint32_t i = 0; i < header.numMips; ++i) {
        const std::uint32_t w = levelWidth(header.width, i);
        const std::uint32_t h = levelHeight(header.heightMinus2, i);
        recordLevelStatistics(statistics, header, std::uint64_t{w} * h);
        const MipLevelRecord& record = reader.records()[i];
        context.console.printInfoLine(kLevelLine, i, w, h, record.mipLevelInternal,
                                      record.mipLevelInternal, record.magic, record.magic,
                                      record.offset);
        if (static_cast<std::int64_t>(header.width) > context.options.widthLimit) {
            catalogue.oversizeMipSeen = true;
        }
        checkLevelRecord(context, header, i, record);
    }
}

// Prints how many of the 256 indices the level uses. Exploding without a palette ends the run.
void countColours(RunContext& context, const SourceCatalogue& catalogue, const std::string& mipPath,
                  const MipHeader& header, std::uint32_t level,
                  std::span<const std::uint8_t> data) {
    if (!catalogue.paletteLoaded) {
        if (context.options.explode) {
            context.console.printLine(kNeedPalette);
            context.console.printLine(kPaletteSource);
            throw ProcessExit{kNoPaletteExitCode};
        }
        return;
    }
    // Marks, not counts: a texture's long runs of one index would make each count wait for the
    // one before it.
    std::array<bool, 256> seen{};
    for (const std::uint8_t index : data) {
        seen[index] = true;
    }
    const auto used = std::count(seen.begin(), seen.end(), true);
    const std::uint32_t fullHeight = header.heightMinus2 + 2;
    if (context.options.report) {
        context.console.printLine(kColourCount, mipPath, level, header.width, fullHeight, used);
    } else {
        context.console.printInfoLine(kColourCount, mipPath, level, header.width, fullHeight, used);
    }
}

// Writes one level's indices through the palette as a PNG below the output folder. All levels
// go to one folder: once it is found in place, `folderFound` spares the later levels the look.
void exportLevel(RunContext& context, const LevelExport& where, const MipHeader& header,
                 std::uint32_t level, std::vector<std::uint8_t> indices,
                 std::span<const std::uint32_t> palette, bool& folderFound) {
    const std::uint32_t w = levelWidth(header.width, level);
    const std::uint32_t h = levelHeight(header.heightMinus2, level);
    const std::string exportPath = exportPathOf(where);
    const std::string folder(directoryPart(exportPath));
    context.console.printLine(kFolderName, folder);
    if (!folder.empty() && !folderFound) {
        folderFound = createOutputFolders(context, folder);
    }
    const std::string name = where.firstLevelOnly
                                 ? mipFirstLevelImageName(exportPath)
                                 : mipLevelImageName(exportPath, level, header.numMips, w, h);
    context.console.printLine(kSavingMip, name);
    writeIndexedPng(context, name, w, h, std::move(indices), palette);
}

// Reads each level, counts its colours, exports it with "-explode" and keeps it in the image
// when the run goes on to convert it.
void processLevels(RunContext& context, const SourceCatalogue& catalogue, MipReader& reader,
                   MipImage& image, const LevelExport& where) {
    const RunOptions& options = context.options;
    const bool keepLevels = where.convert || options.compact;
    bool folderFound = false;
    for (std::uint32_t i = 0; i < reader.records().size(); ++i) {
        std::vector<std::uint8_t> data = reader.readLevel(i);
        countColours(context, catalogue, where.mipPath, reader.header(), i, data);
        if (options.explode && (!where.firstLevelOnly || i == 0)) {
            std::vector<std::uint8_t> indices;
            if (keepLevels) {
                indices = data;
            } else {
                indices = std::move(data);
            }
            exportLevel(context, where, reader.header(), i, std::move(indices),
                        catalogue.paletteColours, folderFound);
        }
        if (keepLevels) {
            image.levels.push_back(std::move(data));
        }
    }
}

}  // namespace

void processMipFile(RunContext& context, SourceCatalogue& catalogue, MipImage& image,
                    std::string mipPath, bool convert, std::string source, std::string output,
                    bool firstLevelOnly, std::string_view readFrom) {
    const RunOptions& options = context.options;
    image.levels.clear();
    image.levelRecords.clear();
    image.path = mipPath;
    ++context.statistics.numMipFiles;

    MipReader reader(context.console, mipPath, readFrom);
    if (!reader.isOpen()) {
        return;
    }
    const MipHeader& header = reader.header();
    const std::uint32_t fullHeight = header.heightMinus2 + 2;
    context.console.printInfoLine(kHeaderLine, mipPath, header.width, fullHeight, header.numMips,
                                  header.defaultColour);
    if (!reader.readRecords()) {
        return;
    }
    image.header = header;
    recordTextureStatistics(context, catalogue, reader);
    image.levelRecords = reader.records();
    image.width = header.width;
    image.height = fullHeight;
    catalogue.mips[mipPath] =
        MipEntry{std::string(fileNamePart(mipPath)), header.width, fullHeight, false};

    const bool keepLevels = convert || options.compact;
    if (!options.explode && !keepLevels) {
        return;
    }
    if (!reader.levelsFit()) {
        // Refused whole: a converted image then holds no levels, and its records agree.
        if (keepLevels) {
            image.levelRecords.clear();
            image.header.numMips = 0;
        }
        return;
    }
    processLevels(context, catalogue, reader, image,
                  {mipPath, convert, source, output, firstLevelOnly});
}

}  // namespace vexmor
