#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_set>
#include <utility>

// The seam to the operating system. The program's path texts use `\` as separator (sometimes
// mixed with `/`) and are often lower-cased; this layer maps them to native paths. Nothing
// outside this folder talks to the file system by itself.
namespace vexmor::platform {

// A failed file-system call, described as `<operation>: <system error text>: "<path>"` so the
// descriptions read the same on every platform.
class FileSystemError : public std::runtime_error {
public:
    FileSystemError(std::string_view operation, const std::error_code& error,
                    std::string_view path);
};

// Maps a path text to a native path. On Windows the text is used as it is, read in the system's
// code page: the file system takes both separators and ignores case itself. Elsewhere `\`
// becomes `/`, and each existing component is found without regard to ASCII case (the exact name
// first; among several others the smallest name in byte order). Components that do not exist
// keep their case, so new files are created as written.
std::filesystem::path nativePath(std::string_view pathText);

enum class PathKind { missing, directory, regularFile, other };

// The status of a path, following links. Throws FileSystemError("status") on failures other
// than finding nothing.
PathKind pathKind(std::string_view pathText);

// The length of the regular file a path text names, following links. Throws
// FileSystemError("file_size") for anything else (nothing there, a folder, a device).
std::uint64_t regularFileLength(std::string_view pathText);

// Creates one directory level. Throws FileSystemError("create_directory").
void createDirectory(std::string_view pathText);

// Removes a folder with everything in it, links inside removed as links, never followed; a
// missing folder is no error. Throws FileSystemError("remove_all").
void removeAll(std::string_view pathText);

// DeleteFileA, or its stand-in elsewhere (a link is removed, not what it names): result
// unchecked. Files are written through WholeFile (whole_file.h).
void deleteFile(std::string_view pathText);

// A binary stream on a path text, opened only when the path names a regular file (or a link to
// one): opening a FIFO would block and a device never end. Otherwise the stream stays closed.
std::ifstream openForReading(std::string_view pathText);

// The absolute native form of a path text, with existing links and dot components resolved.
std::filesystem::path resolvedAbsolute(std::string_view pathText);

// True when the path text names a file-system root ("/" on Linux).
bool isFileSystemRoot(std::string_view pathText);

// True when `innerText` is `outerText` itself or lies below it: both resolved to absolute native
// paths whose components are compared as the tool finds names (without regard to ASCII case,
// everywhere), or, when `outerText` names an existing folder, that folder is by file identity
// one of the folders `innerText` lies in (links, bind mounts and dot-dot forms seen through).
bool isSameOrInside(std::string_view innerText, std::string_view outerText);

// Whether entries lie in one folder or below it (a path text ending in a separator names a folder,
// which may be that folder itself), both resolved as the tool resolves paths (case, links and dot
// components seen through). A link at the last component of a path is not followed: writes
// replace such a link rather than write through it. Each folder found inside is remembered: a run
// writes many files into each of its folders, and below its output folder only the run itself
// makes entries, never links, so a folder found inside stays inside.
class FolderContainment {
public:
    explicit FolderContainment(std::string folderText) : folderText_(std::move(folderText)) {}
    const std::string& folderText() const { return folderText_; }
    bool holds(std::string_view pathText) const;

private:
    std::string folderText_;
    mutable std::unordered_set<std::string> foldersInside_;  // path texts found inside
};

// True when both path texts name one existing file, reached through links or hard links alike.
bool isSameFile(std::string_view firstText, std::string_view secondText);

// True when an entry right inside `folderText` is the file `fileText` names (itself, or a link
// or hard link to it).
bool folderHoldsFile(std::string_view folderText, std::string_view fileText);

// Why the walk passed over an entry it would otherwise have looked at.
enum class SkippedEntry {
    backslashName,  // a name holding `\`, which path texts read as a separator
    earlierOutput,  // a sub-folder carrying the output marker: an earlier run's output
    brokenLink,     // a link to nothing
    unreadable,     // a folder that cannot be listed, a looping link, a path too long
};

using WalkSkipHandler = std::function<void(const std::string& relativePath, SkippedEntry why,
                                           const std::string& error)>;

// Lists every regular file below `folderText`, depth first: each folder's entries sorted by their
// ASCII-upper-cased names (ties in byte order, the order NTFS gives), a subfolder's contents
// right after it. Directory links are not followed; links to files are listed; the output marker
// is never listed. An entry below the folder that cannot be used is passed to `onSkipped` (a
// folder's relative path ends in `/`; `error` is the failure's description, or empty) and the
// walk goes on. `onFile` gets the path below the folder with `/` separators, in the case the file
// system reports (on Windows in the system code page; a name without a form there ends the
// walk). Throws FileSystemError with the walk's operation names when the folder itself cannot be
// listed.
void walkRegularFiles(std::string_view folderText,
                      const std::function<void(const std::string& relativePath)>& onFile,
                      const WalkSkipHandler& onSkipped = {});

// Where the CSV report lives: c:\temp\mi433.csv on Windows, elsewhere mi433.csv in the
// temporary folder (TMPDIR honoured).
std::filesystem::path reportFilePath();

enum class ReportOpening { opened, failed, refused };

// Opens `stream` on the report at `path`, created or emptied, only when the path holds nothing
// or a regular file, and never through a link: `refused` when something else is there (a link,
// a folder, a device), `failed` when it cannot be opened (a missing folder); the stream then stays
// closed.
ReportOpening openReportStream(std::ofstream& stream, const std::filesystem::path& path);

}  // namespace vexmor::platform
