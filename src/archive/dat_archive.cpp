#include "archive/dat_archive.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <span>
#include <string_view>
#include <vector>

#include "app/little_endian.h"
#include "app/run_context.h"
#include "app/text.h"
#include "archive/archive_stream.h"
#include "archive/dat_directory.h"
#include "archive/output_folder.h"
#include "catalogue/palette_file.h"
#include "catalogue/source_catalogue.h"
#include "platform/file_system.h"

namespace vexmor {
namespace {

constexpr std::string_view kScanning = "Scanning DAT file: {}";
constexpr std::string_view kReportedCount = "DAT file reportedly contains {} files";
constexpr std::string_view kNoExtractionFolder =
    "Error - no extraction folder specified after -unpack command";
constexpr std::string_view kUnsafeName = "Error - unsafe member name {} skipped";
constexpr std::string_view kOverwritesArchive =
    "Error - member {} would overwrite the archive itself; skipped";
constexpr std::string_view kPaletteAt = "ICR{} is at index {}";
constexpr std::string_view kCountMismatch = "Error - report num files is {}, actual is {}";

constexpr std::string_view kSunnyPalette = "sunny.pcx";
constexpr std::string_view kColorsPalette = "colors.pcx";

// The directory records, read in one piece right after the count. Once the archive has become
// unreadable, every later record reads as zeros, as if read from the failed archive itself.
class DirectoryCursor {
public:
    DirectoryCursor(ArchiveStream& archive, std::uint16_t count)
        : bytes_(archive.readBlock(std::uint64_t{count} * kDatDirectoryEntrySize)) {}

    DatDirectoryEntry next() {
        std::array<std::uint8_t, kDatDirectoryEntrySize> record{};
        if (position_ < bytes_.size()) {
            const std::size_t available = std::min(record.size(), bytes_.size() - position_);
            std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(position_), available,
                        record.begin());
        }
        position_ += record.size();
        return parseDatDirectoryEntry(record);
    }

    // Every record left reads as zeros, an unused entry.
    bool exhausted() const { return position_ >= bytes_.size(); }

    // The archive failed: the records after the current one can no longer be read.
    void endHere() { bytes_.resize(std::min(bytes_.size(), position_)); }

private:
    std::vector<std::uint8_t> bytes_;
    std::size_t position_ = 0;
};

// Copies one member to `path` piece by piece. What the archive does not hold is not written.
void unpackMember(ArchiveStream& archive, const DatDirectoryEntry& entry, const std::string& path,
                  std::span<char> buffer) {
    archive.seek(entry.offset);
    std::ofstream out = platform::openForWriting(path);
    std::streambuf* sink = out.is_open() ? out.rdbuf() : nullptr;
    std::uint32_t remaining = entry.length;
    while (remaining > 0 && archive.readable()) {
        const std::size_t piece = std::min<std::size_t>(remaining, buffer.size());
        const std::size_t got = archive.read(buffer.first(piece));
        if (sink != nullptr && got > 0) {
            sink->sputn(buffer.data(), static_cast<std::streamsize>(got));
        }
        remaining -= static_cast<std::uint32_t>(got);
    }
}

bool isPaletteMember(const std::string& loweredName) {
    return loweredName == kSunnyPalette || loweredName == kColorsPalette;
}

}  // namespace

void readDatArchive(RunContext& context, SourceCatalogue& catalogue, std::string archivePath,
                    bool unpack, std::string outputFolder) {
    Console& console = context.console;
    console.printLine(kScanning, archivePath);

    ArchiveStream archive(archivePath);
    catalogue.files.clear();
    catalogue.fileCount = 0;
    std::array<std::uint8_t, kDatHeaderSize> header{};
    archive.read(header);
    catalogue.fileCount = readU16(header, 0);
    console.printInfoLine(kReportedCount, catalogue.fileCount);

    if (unpack) {
        if (outputFolder.empty()) {
            console.printLine(kNoExtractionFolder);
            return;
        }
        createOutputFolder(context, outputFolder);
    }

    DirectoryCursor directory(archive, catalogue.fileCount);
    // No member holds more than the archive does, so a small archive needs only a small buffer.
    std::vector<char> buffer(
        unpack ? std::clamp<std::uint64_t>(archive.bytesLeft(), 1, kDatCopyPieceSize) : 0);
    // Unpacking where the archive itself (or a link to it) lies, a member of its name would
    // empty the archive while it is being read; elsewhere no member can be the archive.
    const bool mayOverwriteArchive = unpack && platform::folderHoldsFile(outputFolder, archivePath);
    std::uint32_t listed = 0;
    for (std::uint32_t i = 0; i < catalogue.fileCount && !directory.exhausted(); ++i) {
        const DatDirectoryEntry entry = directory.next();
        if (entry.unused()) {
            continue;
        }
        // A name that could leave the output folder is not used for anything.
        if (!isSafeMemberName(entry.name)) {
            console.printLine(kUnsafeName, entry.name);
            continue;
        }
        console.printInfoLine(kDatEntryLine, entry.name, entry.offset, entry.length);
        std::string entryName = outputFolder + entry.name;
        if (mayOverwriteArchive && platform::isSameFile(entryName, archivePath)) {
            console.printLine(kOverwritesArchive, entry.name);
            continue;
        }

        if (unpack) {
            unpackMember(archive, entry, entryName, buffer);
            if (!archive.readable()) {
                directory.endHere();
            }
            const std::string lowered = toLowerAscii(entry.name);
            if (isPaletteMember(lowered)) {
                const bool sunny = lowered.front() == 's';
                catalogue.paletteFileIndex = i;
                catalogue.icr2Palette = catalogue.icr2Palette || sunny;
                // Once a sunny.pcx was met, the line names the second generation.
                console.printInfoLine(kPaletteAt,
                                      catalogue.icr2Palette ? "2 sunny.pcx" : "1 colors.pcx", i);
                loadPalette(context, catalogue, entryName);
            }
        }
        catalogue.files.push_back({std::move(entryName), entry.offset, entry.length});
        ++listed;
    }
    if (catalogue.fileCount != listed) {
        console.printLine(kCountMismatch, catalogue.fileCount, listed);
    }
}

}  // namespace vexmor
