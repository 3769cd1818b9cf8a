#include "archive/dat_pack.h"

#include <fmt/format.h>

#include <algorithm>
#include <cerrno>
#include <exception>
#include <map>
#include <string_view>
#include <system_error>
#include <vector>

#include "app/run_context.h"
#include "app/write_failure.h"
#include "archive/dat_directory.h"
#include "archive/dat_writer.h"
#include "archive/output_folder.h"
#include "catalogue/source_catalogue.h"
#include "common/text.h"
#include "platform/file_append.h"
#include "platform/file_system.h"
#include "platform/whole_file.h"

namespace vexmor {
namespace {

constexpr std::string_view kPacking = "Packing DAT file: {}";
constexpr std::string_view kFolderLeftOut =
    "Sub-folder {} left out: a DAT file holds only the files of one folder";
constexpr std::string_view kListingCutShort =
    "Error - cannot pack {}: the folder could not be listed completely";
constexpr std::string_view kNameTooLong =
    "Error - cannot pack {}: a name in a DAT file has at most 12 characters (8.3)";
constexpr std::string_view kNameWithSeparator =
    "Error - cannot pack {}: a name in a DAT file may not hold \\, / or :";
constexpr std::string_view kNameClash =
    "Error - cannot pack both {} and {}: names in a DAT file ignore case";
constexpr std::string_view kTooManyMembers =
    "Error - cannot pack {} files: a DAT file holds at most {}";
constexpr std::string_view kMemberTooLarge =
    "Error - cannot pack {}: its {} bytes are more than a DAT file member can hold (4 GiB)";
constexpr std::string_view kMemberTooFar =
    "Error - cannot pack {}: it would start past the first 4 GiB of the DAT file";
constexpr std::string_view kCouldNotRead = "Error - could not read {}: {}";
constexpr std::string_view kPacked = "Packed {} files into {} ({} bytes)";

constexpr std::string_view kNamesAFolder = "it names a folder, not a file";
constexpr std::string_view kNoSuchFolder = "there is no folder {}";
constexpr std::string_view kNotAFile = "it is not a regular file";
constexpr std::string_view kLengthChanged = "its length changed while it was being packed";

struct PackMember {
    std::string name;  // the file's own name, which the archive keeps
    std::string path;  // the folder text followed by the name
    std::uint64_t length = 0;
    std::uint64_t offset = 0;
};

std::string systemReason(int code, std::string_view otherwise) {
    return code != 0 ? std::generic_category().message(code) : std::string(otherwise);
}

// The archive is written beside its final name, so the folder it names must be there already.
bool archivePathUsable(RunContext& context, const std::string& archivePath) {
    const std::string folder(directoryPart(archivePath));
    try {
        if (fileNamePart(archivePath).empty() ||
            platform::pathKind(archivePath) == platform::PathKind::directory) {
            reportWriteFailure(context, archivePath, kNamesAFolder);
            return false;
        }
        if (!folder.empty() && platform::pathKind(folder) != platform::PathKind::directory) {
            reportWriteFailure(context, archivePath, fmt::format(kNoSuchFolder, folder));
            return false;
        }
    } catch (const std::exception& error) {
        reportWriteFailure(context, archivePath, error.what());
        return false;
    }
    return true;
}

// The files right in the folder, in the scan's order, and one line for each sub-folder. The
// archive itself (or a link to it) and the output-folder marker are never members.
std::vector<PackMember> collectMembers(RunContext& context, const SourceCatalogue& catalogue,
                                       const std::string& folder, const std::string& archivePath) {
    std::vector<PackMember> members;
    std::string_view subFolder;
    // Looked for once: a path that names no file yet is resolved by listing its folder.
    const bool archiveInFolder = platform::folderHoldsFile(folder, archivePath);
    for (const FileEntry& file : catalogue.files) {
        const std::size_t separator = file.name.find('\\');
        if (separator != std::string::npos) {
            // The scan lists a sub-folder's files together, right after each other.
            const std::string_view own = std::string_view(file.name).substr(0, separator);
            if (own != subFolder) {
                subFolder = own;
                context.console.printLine(kFolderLeftOut, folder + std::string(own));
            }
            continue;
        }
        if (toLowerAscii(file.name) == kOutputMarkerName) {
            continue;
        }
        std::string path = folder + file.name;
        if (archiveInFolder && platform::isSameFile(path, archivePath)) {
            continue;
        }
        members.push_back({file.name, std::move(path)});
    }
    return members;
}

// Every name fits the 13-byte field with its NUL, cannot be taken for a path, and differs from
// every other name in more than ASCII case, as names do on the game's file system.
bool namesFit(Console& console, const std::vector<PackMember>& members) {
    bool fit = true;
    std::map<std::string, const std::string*> seen;
    for (const PackMember& member : members) {
        if (!isSafeMemberName(member.name)) {
            console.printLine(kNameWithSeparator, member.path);
            fit = false;
        } else if (member.name.size() > kMaxDatNameLength) {
            console.printLine(kNameTooLong, member.path);
            fit = false;
        }
        const auto [first, added] = seen.emplace(toLowerAscii(member.name), &member.name);
        if (!added) {
            console.printLine(kNameClash, *first->second, member.name);
            fit = false;
        }
    }
    return fit;
}

// Measures one member; returns why it cannot be read, or an empty text. One look at a regular
// file; a missing file and anything but a regular file are then named plainly.
std::string measureMember(PackMember& member) {
    try {
        member.length = platform::regularFileLength(member.path);
        return {};
    } catch (const std::exception& error) {
        try {
            const platform::PathKind kind = platform::pathKind(member.path);
            if (kind == platform::PathKind::missing) {
                return systemReason(ENOENT, {});
            }
            if (kind != platform::PathKind::regularFile) {
                return std::string(kNotAFile);
            }
        } catch (const std::exception&) {
            // the first failure says it
        }
        return error.what();
    }
}

// The length of each member as it is now; the copy checks that it still is.
bool measureMembers(Console& console, std::vector<PackMember>& members) {
    bool readable = true;
    for (PackMember& member : members) {
        const std::string reason = measureMember(member);
        if (!reason.empty()) {
            console.printLine(kCouldNotRead, member.path, reason);
            readable = false;
        }
    }
    return readable;
}

// Places the members back to back after the directory; each offset and length must fit its
// 32-bit field.
bool layOutMembers(Console& console, std::vector<PackMember>& members) {
    std::vector<std::uint64_t> lengths;
    lengths.reserve(members.size());
    for (const PackMember& member : members) {
        lengths.push_back(member.length);
    }
    const std::vector<std::uint64_t> offsets = datMemberOffsets(lengths);
    bool fit = true;
    for (std::size_t i = 0; i < members.size(); ++i) {
        members[i].offset = offsets[i];
        if (members[i].length > kMaxDatField) {
            console.printLine(kMemberTooLarge, members[i].path, members[i].length);
            fit = false;
        } else if (members[i].offset > kMaxDatField) {
            console.printLine(kMemberTooFar, members[i].path);
            fit = false;
        }
    }
    return fit;
}

std::vector<DatDirectoryEntry> directoryOf(const std::vector<PackMember>& members) {
    std::vector<DatDirectoryEntry> entries;
    entries.reserve(members.size());
    for (const PackMember& member : members) {
        entries.push_back({static_cast<std::uint32_t>(member.length), member.name,
                           static_cast<std::uint32_t>(member.offset)});
    }
    return entries;
}

// Why a member could not be copied into the archive as measured, or an empty text.
std::string readFailureOf(const platform::AppendFailure& failure) {
    return failure.lengthChanged ? std::string(kLengthChanged) : failure.reading;
}

// Writes the archive under a temporary name and renames it over `archivePath` when complete.
// Members move in pieces, by the system where it can, never whole through memory.
bool writeArchive(RunContext& context, const std::vector<PackMember>& members,
                  const std::string& archivePath) {
    platform::WholeFile file(archivePath);
    if (!file.ready()) {
        reportWriteFailure(context, archivePath, file.failure());
        return false;
    }
    platform::AppendFile out(file.temporaryPath());
    std::string writeFailure = out.failure();
    if (writeFailure.empty()) {
        writeFailure = out.append(encodeDatHead(directoryOf(members)));
    }
    for (std::size_t i = 0; i < members.size() && writeFailure.empty(); ++i) {
        const PackMember& member = members[i];
        context.console.printInfoLine(kDatEntryLine, member.name, member.offset, member.length);
        const platform::AppendFailure failure =
            out.appendFileBytes(member.path, member.length, kDatCopyPieceSize);
        if (const std::string reason = readFailureOf(failure); !reason.empty()) {
            context.console.printLine(kCouldNotRead, member.path, reason);
            context.writeFailed = true;
            return false;
        }
        writeFailure = failure.writing;
    }
    if (writeFailure.empty()) {
        writeFailure = out.close();
    }
    if (writeFailure.empty()) {
        writeFailure = file.commit();
    }
    if (!writeFailure.empty()) {
        reportWriteFailure(context, archivePath, writeFailure);
        return false;
    }
    return true;
}

}  // namespace

void packDatArchive(RunContext& context, const SourceCatalogue& catalogue,
                    const std::string& folder, const std::string& archivePath) {
    Console& console = context.console;
    console.printLine(kPacking, archivePath);
    if (!archivePathUsable(context, archivePath)) {
        return;
    }
    const std::string prefix = withTrailingSeparator(folder);
    if (catalogue.scanCutShort) {
        // An archive without the files the listing missed would look complete.
        console.printLine(kListingCutShort, prefix);
        context.writeFailed = true;
        return;
    }

    std::vector<PackMember> members = collectMembers(context, catalogue, prefix, archivePath);
    bool usable = namesFit(console, members);
    if (members.size() > kMaxDatMembers) {
        console.printLine(kTooManyMembers, members.size(), kMaxDatMembers);
        usable = false;
    }
    // Lengths are measured, and the offsets they give checked, only for names that fit.
    usable = usable && measureMembers(console, members) && layOutMembers(console, members);
    if (!usable) {
        context.writeFailed = true;
        return;
    }
    if (!writeArchive(context, members, archivePath)) {
        return;
    }
    const std::uint64_t size =
        members.empty() ? datMemberDataStart(0) : members.back().offset + members.back().length;
    console.printLine(kPacked, members.size(), archivePath, size);
}

}  // namespace vexmor
