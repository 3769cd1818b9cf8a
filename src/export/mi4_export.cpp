#include "export/mi4_export.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include <fmt/format.h>

#include "app/limits.h"
#include "app/run_context.h"
#include "common/stream_length.h"
#include "export/image_names.h"
#include "export/png_writer.h"
#include "platform/file_system.h"
#include "texture/chunked_stream.h"
#include "texture/mi4_file.h"

namespace vexmor {
namespace {

constexpr std::string_view kCannotOpen = "Could not open Mi4 file {}";
constexpr std::string_view kTextureInfo = "Mi4 {}: dims {}x{}, num MIPS {}";
constexpr std::string_view kLevelInfo = "Mip {} of dims {}x{} at offset {}";
constexpr std::string_view kTooManyLevels = "Mi4 {}: {} mip levels do not fit in the file";
constexpr std::string_view kLevelsAboveBound =
    "Mi4 {}: {} mip levels are more than the {} a texture may have";
constexpr std::string_view kPaletteSlot = "Palette[{}] = {:08X}";
constexpr std::string_view kLevelRead = "MIP {}:{} : Size {}, offset {}, end {}, {}x{}";
constexpr std::string_view kLevelTooLarge =
    "Mi4 {}: mip level {} claims {} bytes, more than the file holds";
constexpr std::string_view kReportRow = "{},{},{},{},{},{},{},{},{}";

// Random-access reads on the open MI4 file. Every read fills a zeroed buffer with whatever part
// of the requested range the file holds, so a short or damaged file reads as zeros and one bad
// position does not spoil the reads after it.
class Mi4Source {
public:
    explicit Mi4Source(std::ifstream& in) : in_(in), length_(streamLength(in)) {}

    std::uint64_t length() const { return length_; }

    void readAt(std::int64_t position, std::span<std::uint8_t> out) {
        std::fill(out.begin(), out.end(), std::uint8_t{0});
        std::uint64_t skip = 0;
        if (position < 0) {
            skip = static_cast<std::uint64_t>(-(position + 1)) + 1;
            if (skip >= out.size()) {
                return;
            }
            position = 0;
        }
        const auto start = static_cast<std::uint64_t>(position);
        if (start >= length_) {
            return;
        }
        const std::uint64_t available = std::min<std::uint64_t>(out.size() - skip, length_ - start);
        in_.clear();
        in_.seekg(static_cast<std::streamoff>(start));
        readChunked(in_, out.subspan(skip, available));
    }

private:
    std::ifstream& in_;
    std::uint64_t length_ = 0;
};

// A level's palette, each slot printed as it is decoded.
Mi4LevelColours readLevelColours(RunContext& context, Mi4Source& source,
                                 std::span<const Mi4LevelRecord> records, std::size_t level) {
    std::array<std::uint8_t, kMi4PaletteBytes> bytes{};
    source.readAt(mi4PalettePosition(records, level, source.length()), bytes);
    Mi4LevelColours colours{};
    for (std::size_t s = 0; s < kMi4PaletteSlots; ++s) {
        colours[s] = decodeMi4Colour(readU16(bytes, 2 * s));
        context.console.printLine(kPaletteSlot, s, colours[s]);
    }
    return colours;
}

void explodeLevel(RunContext& context, Mi4Source& source, const std::string& rel,
                  const std::string& target, const Mi4Header& header,
                  std::span<const Mi4LevelRecord> records, std::size_t level) {
    const Mi4LevelRecord& record = records[level];
    const Mi4ReadGeometry geometry = mi4ReadGeometry(header, level);
    const Mi4LevelColours colours = readLevelColours(context, source, records, level);
    const std::uint64_t pixelStart = std::uint64_t{record.offset} + 4;
    context.console.printLine(kLevelRead, rel, geometry.scale, geometry.packedBytes, record.offset,
                              pixelStart, geometry.width, geometry.height);

    const std::uint64_t pixelCount = std::uint64_t{geometry.width} * geometry.height;
    if (geometry.packedBytes > source.length()) {
        // No honest level is larger than its file; refusing keeps a crafted header from
        // demanding gigabytes.
        context.console.printLine(kLevelTooLarge, rel, level, geometry.packedBytes);
    } else if (pixelCount > 0) {
        std::vector<std::uint8_t> packed(geometry.packedBytes);
        source.readAt(static_cast<std::int64_t>(pixelStart), packed);
        std::vector<std::uint32_t> pixels = decodeMi4Pixels(packed, colours, pixelCount);
        const std::string name = mi4LevelImageName(target, level, header, geometry, record);
        writePng(context, name, geometry.width, geometry.height, std::move(pixels));
    }
    context.reportFile << fmt::format(kReportRow, target, level, record.mipLevelInternal,
                                      header.numMips, geometry.width, geometry.height,
                                      geometry.packedBytes, record.offset, record.magic)
                       << '\n';
}

}  // namespace

void processMi4File(RunContext& context, std::string rel, std::string source, std::string target) {
    std::ifstream in = platform::openForReading(source + rel);
    if (!in.is_open()) {
        context.console.printLine(kCannotOpen, rel);
        return;
    }
    ++context.statistics.numPaletted;
    Mi4Source file(in);

    std::array<std::uint8_t, kTextureHeaderSize> headerBytes{};
    file.readAt(0, headerBytes);
    const Mi4Header header = decodeTextureHeader<Mi4Header>(headerBytes);
    context.console.printInfoLine(kTextureInfo, rel, header.width, header.height, header.numMips);
    // A texture without levels needs no records, so even a file too short for its header
    // passes: it reads as zeros.
    if (header.numMips > 0 &&
        kTextureHeaderSize + kLevelRecordSize * std::uint64_t{header.numMips} > file.length()) {
        context.console.printLine(kTooManyLevels, rel, header.numMips);
        return;
    }
    if (header.numMips > limits::kMaxMipLevels) {
        context.console.printLine(kLevelsAboveBound, rel, header.numMips, limits::kMaxMipLevels);
        return;
    }

    // The count is bounded by the file length, so the records can be read in one piece.
    std::vector<std::uint8_t> recordBytes(kLevelRecordSize * std::size_t{header.numMips});
    file.readAt(static_cast<std::int64_t>(kTextureHeaderSize), recordBytes);
    std::vector<Mi4LevelRecord> records(header.numMips);
    for (std::size_t i = 0; i < records.size(); ++i) {
        records[i] = decodeLevelRecord(
            std::span(recordBytes).subspan(kLevelRecordSize * i).first<kLevelRecordSize>());
        const Mi4ReadGeometry geometry = mi4ReadGeometry(header, i);
        context.console.printInfoLine(kLevelInfo, i, geometry.width, geometry.height,
                                      records[i].offset);
    }
    if (!context.options.explode) {
        return;
    }
    for (std::size_t i = 0; i < records.size(); ++i) {
        explodeLevel(context, file, rel, target, header, records, i);
    }
}

}  // namespace vexmor
