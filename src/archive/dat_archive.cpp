#include "archive/dat_archive.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <span>
#include <string_view>
#include <vector>

#include "app/limits.h"
#include "app/output_file.h"
#include "app/output_guard.h"
#include "app/process_exit.h"
#include "app/run_context.h"
#include "archive/archive_stream.h"
#include "archive/dat_directory.h"
#include "archive/output_folder.h"
#include "catalogue/listed_palette.h"
#include "catalogue/source_catalogue.h"
#include "common/little_endian.h"
#include "common/text.h"
#include "platform/file_system.h"
#include "platform/output_marker.h"

namespace vexmor {
namespace {

constexpr std::string_view kScanning = "Scanning DAT file: {}";
constexpr std::string_view kUnreadable = "Error - could not read DAT file {}";
constexpr std::string_view kReportedCount = "DAT file reportedly contains {} files";
constexpr std::string_view kNoExtractionFolder =
    "Error - no extraction folder specified after -unpack command";
constexpr std::string_view kUnsafeName = "Error - unsafe member name {} skipped";
constexpr std::string_view kOverwritesArchive =
    "Error - member {} would overwrite the archive itself; skipped";
constexpr std::string_view kCountMismatch = "Error - report num files is {}, actual is {}";
constexpr std::string_view kUnpackBoundReached =
    "Error - DAT file {}: member {} would take the unpacked bytes past {}; skipped";
constexpr std::string_view kMoreSkipped =
    "Error - DAT file {}: {} more members past the unpacked bytes bound skipped";

// As for a source folder that holds nothing.
constexpr int kUnreadableExitCode = 2;

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

// Copies one member to `path` piece by piece, whole or not at all. What the archive does not
// hold is not written. False (with its line) when the file could not be written.
bool unpackMember(RunContext& context, ArchiveStream& archive, const DatDirectoryEntry& entry,
                  const std::string& path, std::span<char> buffer) {
    OutputFile file(context, path);
    if (!file.ready()) {
        return false;
    }
    std::ofstream out = file.openStream();
    archive.seek(entry.offset);
    std::uint32_t remaining = entry.length;
    while (remaining > 0 && archive.readable() && out) {
        const std::size_t piece = std::min<std::size_t>(remaining, buffer.size());
        const std::size_t got = archive.read(buffer.first(piece));
        out.write(buffer.data(), static_cast<std::streamsize>(got));
        remaining -= static_cast<std::uint32_t>(got);
    }
    return file.commit(out);
}

// The bytes all members of one archive may write together (limits.h). A member that would take
// them past the bound is skipped whole, so no member is ever cut short; the first one skipped is
// named and the others counted.
class UnpackBudget {
public:
    explicit UnpackBudget(std::uint64_t archiveLength)
        : archiveLength_(archiveLength),
          bound_(archiveLength * limits::kUnpackedBytesPerArchiveByte +
                 limits::kUnpackedBytesAllowance),
          left_(bound_) {}

    // Takes what the member will write, as far as the archive holds it; false when it does
    // not fit, after its line.
    bool take(Console& console, const std::string& archivePath, const DatDirectoryEntry& entry) {
        const std::uint64_t bytes =
            entry.offset < archiveLength_
                ? std::min<std::uint64_t>(entry.length, archiveLength_ - entry.offset)
                : 0;
        if (bytes <= left_) {
            left_ -= bytes;
            return true;
        }
        if (skipped_++ == 0) {
            console.printLine(kUnpackBoundReached, archivePath, printableName(entry.name), bound_);
        }
        return false;
    }

    void reportMoreSkipped(Console& console, const std::string& archivePath) const {
        if (skipped_ > 1) {
            console.printLine(kMoreSkipped, archivePath, skipped_ - 1);
        }
    }

private:
    std::uint64_t archiveLength_;
    std::uint64_t bound_;
    std::uint64_t left_;
    std::uint32_t skipped_ = 0;
};

// The archive's member count, from a header that must be there: refused before anything is
// made, as a mistyped name must not leave an empty output folder.
std::uint16_t readMemberCount(Console& console, ArchiveStream& archive,
                              const std::string& archivePath) {
    std::array<std::uint8_t, kDatHeaderSize> header{};
    if (archive.read(header) != header.size()) {
        console.printLine(kUnreadable, archivePath);
        throw ProcessExit{kUnreadableExitCode};
    }
    return readU16(header, 0);
}

// Takes the extraction folder as the run's output. False, after its line, when none was named.
bool claimExtractionFolder(RunContext& context, const std::string& outputFolder) {
    if (outputFolder.empty()) {
        context.console.printLine(kNoExtractionFolder);
        return false;
    }
    claimOutputFolder(context, outputFolder, OutputUse::unpack);
    context.outputUnpacked = true;
    setOutputRoot(context, outputFolder);
    return true;
}

// A name that could leave the output folder, or forge or replace the output marker, is not used
// for anything. False, after its line, for such a name.
bool isUsableName(Console& console, const DatDirectoryEntry& entry) {
    if (!isSafeMemberName(entry.name) || platform::isOutputMarkerName(entry.name)) {
        console.printLine(kUnsafeName, printableName(entry.name));
        return false;
    }
    return true;
}

// One walk over an archive's directory: what its members share.
struct MemberWalk {
    RunContext& context;  // unpacking writes members into the run's output folder
    SourceCatalogue& catalogue;
    ArchiveStream& archive;
    UnpackBudget& budget;
    const std::string& archivePath;
    const std::string& outputFolder;
    bool unpack;
};

// Writes one member out, loading the game palette from a palette member. False when the
// unpacked bytes bound skips it: it is then not listed either.
bool unpackListed(MemberWalk& walk, DirectoryCursor& directory, const DatDirectoryEntry& entry,
                  std::uint32_t index, const std::string& entryName, std::span<char> buffer) {
    Console& console = walk.context.console;
    if (!walk.budget.take(console, walk.archivePath, entry)) {
        return false;
    }
    const bool unpacked = unpackMember(walk.context, walk.archive, entry, entryName, buffer);
    if (!walk.archive.readable()) {
        directory.endHere();
    }
    if (unpacked) {
        takeListedPalette(console, walk.catalogue, toLowerAscii(entry.name), index, entryName,
                          PaletteLine::withInfo);
    }
    return true;
}

// Lists (and unpacks) every used member with a usable name. Returns how many were listed.
std::uint32_t listMembers(MemberWalk& walk) {
    Console& console = walk.context.console;
    DirectoryCursor directory(walk.archive, walk.catalogue.fileCount);
    // No member holds more than the archive does, so a small archive needs only a small buffer.
    std::vector<char> buffer(
        walk.unpack ? std::clamp<std::uint64_t>(walk.archive.bytesLeft(), 1, kDatCopyPieceSize)
                    : 0);
    // Unpacking where the archive itself (or a link to it) lies, a member of its name would
    // empty the archive while it is being read; elsewhere no member can be the archive.
    const bool mayOverwriteArchive =
        walk.unpack && platform::folderHoldsFile(walk.outputFolder, walk.archivePath);
    std::uint32_t listed = 0;
    for (std::uint32_t i = 0; i < walk.catalogue.fileCount && !directory.exhausted(); ++i) {
        const DatDirectoryEntry entry = directory.next();
        if (entry.unused() || !isUsableName(console, entry)) {
            continue;
        }
        console.printInfoLine(kDatEntryLine, printableName(entry.name), entry.offset, entry.length);
        std::string entryName = walk.outputFolder + entry.name;
        if (mayOverwriteArchive && platform::isSameFile(entryName, walk.archivePath)) {
            console.printLine(kOverwritesArchive, printableName(entry.name));
            continue;
        }
        if (walk.unpack && !unpackListed(walk, directory, entry, i, entryName, buffer)) {
            continue;
        }
        walk.catalogue.files.push_back({std::move(entryName), entry.offset, entry.length});
        ++listed;
    }
    return listed;
}

}  // namespace

void readDatArchive(RunContext& context, SourceCatalogue& catalogue, std::string archivePath,
                    bool unpack, std::string outputFolder) {
    Console& console = context.console;
    console.printLine(kScanning, archivePath);

    ArchiveStream archive(archivePath);
    UnpackBudget budget(archive.bytesLeft());
    catalogue.files.clear();
    catalogue.fileCount = 0;
    catalogue.fileCount = readMemberCount(console, archive, archivePath);
    console.printInfoLine(kReportedCount, catalogue.fileCount);
    if (unpack && !claimExtractionFolder(context, outputFolder)) {
        return;
    }
    MemberWalk walk{context, catalogue, archive, budget, archivePath, outputFolder, unpack};
    const std::uint32_t listed = listMembers(walk);
    budget.reportMoreSkipped(console, archivePath);
    if (catalogue.fileCount != listed) {
        console.printLine(kCountMismatch, catalogue.fileCount, listed);
    }
}

}  // namespace vexmor
