#include "platform/file_system.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "common/text.h"
#include "platform/folder_index.h"
#include "platform/native_entries.h"
#include "platform/output_marker.h"

// The parts of the file-system layer that read the same on every platform; names, links and
// path mapping are in the posix/ and windows/ halves.
namespace vexmor::platform {
namespace fs = std::filesystem;

namespace {

std::string upperCased(std::string_view text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(), upperAscii);
    return upper;
}

struct NamedEntry {
    std::string sortKey;
    std::string name;
    fs::directory_entry listed;
};

// A folder's entries in the order NTFS keeps them, whatever order the file system at hand
// enumerates in, so that runs are reproducible.
std::vector<NamedEntry> sortedEntries(const fs::path& folder, std::string_view operation) {
    std::error_code error;
    fs::directory_iterator it(folder, error);
    if (error) {
        throw FileSystemError(operation, error, detail::genericText(folder));
    }
    std::vector<NamedEntry> entries;
    for (; it != fs::directory_iterator(); it.increment(error)) {
        if (error) {
            break;
        }
        std::string name = detail::entryName(it->path());
        entries.push_back({upperCased(name), std::move(name), *it});
    }
    if (error) {
        throw FileSystemError("recursive_directory_iterator::operator++", error,
                              detail::genericText(folder));
    }
    std::sort(entries.begin(), entries.end(), [](const NamedEntry& a, const NamedEntry& b) {
        return a.sortKey != b.sortKey ? a.sortKey < b.sortKey : a.name < b.name;
    });
    return entries;
}

struct WalkHandlers {
    const std::function<void(const std::string&)>& onFile;
    const WalkSkipHandler& onSkipped;

    void skip(const std::string& relative, SkippedEntry why, const std::string& error = {}) const {
        if (onSkipped) {
            onSkipped(relative, why, error);
        }
    }
};

bool holdsOutputMarker(const fs::path& folder) {
    std::error_code error;
    return fs::is_regular_file(fs::symlink_status(folder / kOutputMarkerName, error));
}

void walkFolder(const std::string& relativeFolder, const std::vector<NamedEntry>& entries,
                const WalkHandlers& handlers);

// A sub-folder: one that cannot be listed is passed over with its reason.
void walkSubFolder(const fs::path& folder, const std::string& relativeFolder,
                   const WalkHandlers& handlers) {
    std::vector<NamedEntry> entries;
    try {
        entries = sortedEntries(folder, "recursive_directory_iterator::operator++");
    } catch (const FileSystemError& error) {
        handlers.skip(relativeFolder, SkippedEntry::unreadable, error.what());
        return;
    }
    walkFolder(relativeFolder, entries, handlers);
}

// One entry of a folder; an entry that cannot be used is reported and ends nothing else.
void walkEntry(const NamedEntry& entry, const std::string& relative, const WalkHandlers& handlers) {
    if (entry.name.find('\\') != std::string::npos) {
        handlers.skip(relative, SkippedEntry::backslashName);
        return;
    }
    if (isOutputMarkerName(entry.name)) {
        return;
    }
    detail::EntryKind kind = detail::EntryKind::skipped;
    try {
        kind = detail::entryKind(entry.listed);
    } catch (const FileSystemError& error) {
        handlers.skip(relative, SkippedEntry::unreadable, error.what());  // a loop, a long path
        return;
    }
    switch (kind) {
        case detail::EntryKind::folder:
            if (holdsOutputMarker(entry.listed.path())) {
                handlers.skip(relative + "/", SkippedEntry::earlierOutput);
            } else {
                walkSubFolder(entry.listed.path(), relative + "/", handlers);
            }
            break;
        case detail::EntryKind::file:
            handlers.onFile(relative);
            break;
        case detail::EntryKind::brokenLink:
            handlers.skip(relative, SkippedEntry::brokenLink);
            break;
        case detail::EntryKind::skipped:
            break;
    }
}

void walkFolder(const std::string& relativeFolder, const std::vector<NamedEntry>& entries,
                const WalkHandlers& handlers) {
    for (const NamedEntry& entry : entries) {
        walkEntry(entry, relativeFolder + entry.name, handlers);
    }
}

// The absolute form of a native path with existing links and dot components resolved; an empty
// path is the current folder.
fs::path resolvedNative(const fs::path& native) {
    std::error_code error;
    fs::path absolute = fs::absolute(native.empty() ? fs::path(".") : native, error);
    fs::path resolved = fs::weakly_canonical(absolute, error);
    return error ? absolute.lexically_normal() : resolved;
}

// Both paths absolute and resolved; components compared as the file system compares names.
bool isSameOrBelow(const fs::path& inner, const fs::path& outer) {
    auto i = inner.begin();
    for (auto o = outer.begin(); o != outer.end(); ++o) {
        if (o->empty()) {
            continue;  // the empty name a trailing separator leaves
        }
        if (i == inner.end() || !detail::sameComponent(*i, *o)) {
            return false;
        }
        ++i;
    }
    return true;
}

// The status of the entry a path text names, links followed, and its native path in `path`. A
// path that exists as written (most do) takes one look; only one that does not is mapped name
// by name.
fs::file_status statusOf(std::string_view pathText, fs::path& path, std::error_code& error) {
    path = detail::writtenPath(pathText);
    const fs::file_status status = fs::status(path, error);
    if (!error) {
        return status;
    }
    path = nativePath(pathText);
    return fs::status(path, error);
}

}  // namespace

FileSystemError::FileSystemError(std::string_view operation, const std::error_code& error,
                                 std::string_view path)
    : std::runtime_error(std::string(operation) + ": " + error.message() + ": \"" +
                         std::string(path) + "\"") {}

PathKind pathKind(std::string_view pathText) {
    fs::path path;
    std::error_code error;
    const fs::file_status status = statusOf(pathText, path, error);
    if (error && error != std::errc::no_such_file_or_directory &&
        error != std::errc::not_a_directory) {
        throw FileSystemError("status", error, pathText);
    }
    switch (status.type()) {
        case fs::file_type::not_found:
        case fs::file_type::none:
            return PathKind::missing;
        case fs::file_type::directory:
            return PathKind::directory;
        case fs::file_type::regular:
            return PathKind::regularFile;
        default:
            return PathKind::other;
    }
}

std::uint64_t regularFileLength(std::string_view pathText) {
    std::error_code error;
    const std::uintmax_t length = fs::file_size(nativePath(pathText), error);
    if (error) {
        throw FileSystemError("file_size", error, pathText);
    }
    return length;
}

void createDirectory(std::string_view pathText) {
    const fs::path path = nativePath(pathText);
    std::error_code error;
    {
        const FolderChange change;
        if (fs::create_directory(path, error)) {
            noteEntryCreated(path);
        }
    }
    if (error) {
        throw FileSystemError("create_directory", error, pathText);
    }
}

namespace detail {

void removeTree(const fs::path& path, std::error_code& first, fs::path& firstPath) {
    std::error_code error;
    if (!isLink(path) && fs::is_directory(fs::symlink_status(path, error))) {
        std::vector<fs::path> children;
        fs::directory_iterator it(path, error);
        for (; !error && it != fs::directory_iterator(); it.increment(error)) {
            children.push_back(it->path());
        }
        for (const fs::path& child : children) {
            removeTree(child, first, firstPath);
        }
    }
    if (!error) {
        removeEntry(path, error);
    }
    if (error && error != std::errc::no_such_file_or_directory && !first) {
        first = error;
        firstPath = path;
    }
}

}  // namespace detail

void removeAll(std::string_view pathText) {
    const fs::path path = detail::folderPath(pathText);
    std::error_code error;
    fs::path failed;
    detail::removeTree(path, error, failed);
    noteEntryRemoved(path);  // also after a failure: part of the tree may be gone
    if (error) {
        throw FileSystemError("remove_all", error, pathText);
    }
}

std::ifstream openForReading(std::string_view pathText) {
    fs::path path;
    std::error_code error;
    if (!fs::is_regular_file(statusOf(pathText, path, error))) {
        return {};
    }
    return std::ifstream(path, std::ios::binary);
}

fs::path resolvedAbsolute(std::string_view pathText) {
    return resolvedNative(nativePath(pathText));
}

bool isFileSystemRoot(std::string_view pathText) {
    const fs::path path = resolvedAbsolute(pathText);
    return path == path.root_path();
}

namespace {

// What decides where an entry lies: for a plain last name, the text of its folder (the name is
// neither followed nor looked up); otherwise the whole text.
std::string_view placeOf(std::string_view pathText) {
    const std::size_t separator = pathText.find_last_of("\\/");
    const std::size_t nameStart = separator == std::string_view::npos ? 0 : separator + 1;
    const std::string_view name = pathText.substr(nameStart);
    const bool plainName = !name.empty() && name != "." && name != "..";
    return plainName ? pathText.substr(0, nameStart) : pathText;
}

}  // namespace

bool FolderContainment::holds(std::string_view pathText) const {
    const std::string place(placeOf(pathText));
    if (foldersInside_.contains(place)) {
        return true;
    }
    if (!isSameOrBelow(resolvedAbsolute(place), resolvedAbsolute(folderText_))) {
        return false;
    }
    foldersInside_.insert(place);
    return true;
}

namespace {

// Whether an existing folder is `inner` or one of the folders above it, by file identity
// (device and inode; on Windows volume serial and file index, as std::filesystem::equivalent
// compares them), so bind mounts and other second names of one folder are seen through.
bool liesBelowByIdentity(fs::path inner, const fs::path& outerFolder) {
    std::error_code error;
    if (!fs::is_directory(fs::status(outerFolder, error))) {
        return false;
    }
    while (true) {
        if (fs::equivalent(inner, outerFolder, error) && !error) {
            return true;
        }
        fs::path parent = inner.parent_path();
        if (parent.empty() || parent == inner) {
            return false;
        }
        inner = std::move(parent);
    }
}

}  // namespace

bool isSameOrInside(std::string_view innerText, std::string_view outerText) {
    const fs::path inner = resolvedAbsolute(innerText);
    return isSameOrBelow(inner, resolvedAbsolute(outerText)) ||
           liesBelowByIdentity(inner, detail::folderPath(outerText));
}

bool isSameFile(std::string_view firstText, std::string_view secondText) {
    std::error_code error;
    return fs::equivalent(nativePath(firstText), nativePath(secondText), error) && !error;
}

bool folderHoldsFile(std::string_view folderText, std::string_view fileText) {
    std::error_code error;
    const fs::path file = nativePath(fileText);
    fs::directory_iterator it(nativePath(folderText), error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        std::error_code entryError;
        if (fs::equivalent(it->path(), file, entryError) && !entryError) {
            return true;
        }
    }
    return false;
}

void walkRegularFiles(std::string_view folderText,
                      const std::function<void(const std::string& relativePath)>& onFile,
                      const WalkSkipHandler& onSkipped) {
    const fs::path folder = nativePath(folderText);
    const std::vector<NamedEntry> entries =
        sortedEntries(folder, "recursive_directory_iterator::recursive_directory_iterator");
    walkFolder(std::string(), entries, WalkHandlers{onFile, onSkipped});
}

}  // namespace vexmor::platform
