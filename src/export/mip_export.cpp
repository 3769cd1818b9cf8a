#include "export/mip_export.h"

#include <array>
#include <bit>
#include <vector>

#include "app/process_exit.h"
#include "app/run_context.h"
#include "app/text.h"
#include "archive/output_folder.h"
#include "catalogue/source_catalogue.h"
#include "export/image_names.h"
#include "export/png_writer.h"
#include "platform/file_system.h"
#include "texture/mip_file.h"

namespace vexmor {
namespace {

constexpr std::string_view kCouldNotOpen = "Could not open file {}";
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

// The images of a MIP go below the output folder with the MIP's path relative to the folder it
// was read from: the source folder, or the output folder when converting (the MIP read is then
// the copy).
std::string exportPathOf(const std::string& mipPath, bool convert, const std::string& source,
                         const std::string& output) {
    const std::size_t cut = (convert ? output : source).size();
    return output + (cut <= mipPath.size() ? mipPath.substr(cut) : std::string());
}

std::string outputNameOf(const std::string& exportPath, bool firstLevelOnly, std::uint32_t level,
                         const MipHeader& header, std::uint32_t w, std::uint32_t h) {
    if (firstLevelOnly) {
        return mipFirstLevelImageName(exportPath);
    }
    return mipLevelImageName(exportPath, level, header.numMips, w, h);
}

}  // namespace

void processMipFile(RunContext& context, SourceCatalogue& catalogue, MipImage& image,
                    std::string mipPath, bool convert, std::string source, std::string output,
                    bool firstLevelOnly) {
    const RunOptions& options = context.options;
    RunStatistics& statistics = context.statistics;
    image.levels.clear();
    image.levelRecords.clear();
    image.path = mipPath;
    ++statistics.numMipFiles;

    std::ifstream in = platform::openForReading(mipPath);
    if (!in.is_open()) {
        context.console.printLine(kCouldNotOpen, mipPath);
        return;
    }
    const MipHeader header = readMipHeader(in);
    const std::uint32_t fullHeight = header.heightMinus2 + 2;
    context.console.printInfoLine(kHeaderLine, mipPath, header.width, fullHeight, header.numMips,
                                  header.defaultColour);
    if (!mipLevelCountFits(context, mipPath, header, in)) {
        return;
    }
    image.header = header;
    statistics.minMipLevels = std::min(statistics.minMipLevels, header.numMips);
    statistics.maxMipLevels = std::max(statistics.maxMipLevels, header.numMips);
    statistics.totalMipLevels += header.numMips;

    for (std::uint32_t i = 0; i < header.numMips; ++i) {
        const std::uint32_t w = levelWidth(header.width, i);
        const std::uint32_t h = levelHeight(header.heightMinus2, i);
        recordLevelStatistics(statistics, header, std::uint64_t{w} * h);
        const MipLevelRecord record = readMipLevelRecord(in);
        image.levelRecords.push_back(record);
        context.console.printInfoLine(kLevelLine, i, w, h, record.mipLevelInternal,
                                      record.mipLevelInternal, record.magic, record.magic,
                                      record.offset);
        if (static_cast<std::int64_t>(header.width) > options.widthLimit) {
            catalogue.oversizeMipSeen = true;
        }
        checkLevelRecord(context, header, i, record);
    }

    image.width = header.width;
    image.height = fullHeight;
    const MipEntry& entry = catalogue.mips[mipPath] =
        MipEntry{std::string(fileNamePart(mipPath)), header.width, fullHeight, false};

    if (!options.explode && !convert && !options.compact) {
        return;
    }
    if (!mipLevelSizeFits(context, mipPath, header, in)) {
        // Refused whole: a converted image then holds no levels, and its records agree.
        if (convert || options.compact) {
            image.levelRecords.clear();
            image.header.numMips = 0;
        }
        return;
    }
    std::vector<std::uint32_t> colours;
    for (std::uint32_t i = 0; i < image.levelRecords.size(); ++i) {
        const std::uint32_t w = levelWidth(header.width, i);
        const std::uint32_t h = levelHeight(header.heightMinus2, i);
        const std::uint64_t byteCount = std::uint64_t{w} * h;
        std::vector<std::uint8_t> data = readMipLevelData(in, image.levelRecords[i], byteCount);

        if (catalogue.paletteLoaded) {
            std::array<std::uint32_t, 256> histogram{};
            colours.resize(data.size());
            for (std::size_t p = 0; p < data.size(); ++p) {
                colours[p] = catalogue.paletteColours[data[p]];
                ++histogram[data[p]];
            }
            const auto used = std::count_if(histogram.begin(), histogram.end(),
                                            [](std::uint32_t count) { return count != 0; });
            if (options.report) {
                context.console.printLine(kColourCount, mipPath, i, entry.width, entry.height,
                                          used);
            } else {
                context.console.printInfoLine(kColourCount, mipPath, i, entry.width, entry.height,
                                              used);
            }
        } else if (options.explode) {
            context.console.printLine(kNeedPalette);
            context.console.printLine(kPaletteSource);
            throw ProcessExit{kNoPaletteExitCode};
        }

        if (options.explode && (!firstLevelOnly || i == 0)) {
            const std::string exportPath = exportPathOf(mipPath, convert, source, output);
            const std::string folder(directoryPart(exportPath));
            context.console.printLine(kFolderName, folder);
            if (!folder.empty()) {
                createOutputFolders(context, folder);
            }
            const std::string name = outputNameOf(exportPath, firstLevelOnly, i, header, w, h);
            context.console.printLine(kSavingMip, name);
            writePng(context, name, w, h, colours);
        }
        if (convert || options.compact) {
            image.levels.push_back(std::move(data));
        }
    }
}

}  // namespace vexmor
