#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

// What the shared file-system code asks of each operating system's half of this folder: how
// native names become the program's 8-bit texts, and how one folder entry is treated by the
// walk.
namespace vexmor::platform::detail {

// The native path of a text as written, before any component is looked up: what nativePath
// gives for a path that exists with exactly these names.
std::filesystem::path writtenPath(std::string_view pathText);

// The entry's own name (its last component) as 8-bit text. Throws FileSystemError when the name
// has no 8-bit form.
std::string entryName(const std::filesystem::path& path);

// A native path as 8-bit text with `/` separators, for error descriptions; never throws.
std::string genericText(const std::filesystem::path& path);

enum class EntryKind { folder, file, skipped, brokenLink };

// How the walk treats an entry: folders are descended into (links and junctions to folders are
// not), regular files and links to them are listed, a link to nothing is told apart, everything
// else is passed over. What the listing told of the entry is used where it suffices. Throws
// FileSystemError("directory_entry::status").
EntryKind entryKind(const std::filesystem::directory_entry& entry);

// The native path of a folder text without its trailing separators, so that the folder's own
// entry is looked at rather than what a link there leads to.
std::filesystem::path folderPath(std::string_view folderText);

// True when the entry's own name is a symbolic link or junction (its target not looked at).
bool isLink(const std::filesystem::path& path);

// Removes one entry: a file, an empty folder, or a link itself (never its target).
void removeEntry(const std::filesystem::path& path, std::error_code& error);

// Removes a tree bottom up without following any link in it (a link is removed as itself); goes
// on past failures and keeps the first in `first`, with its path.
void removeTree(const std::filesystem::path& path, std::error_code& first,
                std::filesystem::path& firstPath);

// True when two path components name the same entry on this file system.
bool sameComponent(const std::filesystem::path& a, const std::filesystem::path& b);

}  // namespace vexmor::platform::detail
