#pragma once

#include <filesystem>

// Outside Windows, paths are mapped case-insensitively by looking names up in the folders they
// lead through. Each folder is listed once and its names kept; every entry the platform layer
// creates, renames or removes is reported here so those names stay current. (A rename is a
// removal and a creation.) On Windows the file system ignores case itself and these do nothing.
namespace vexmor::platform {

// An entry (file, folder or link) now exists at this native path.
void noteEntryCreated(const std::filesystem::path& path);

// The entry at this native path (with everything below it, for a folder) is gone.
void noteEntryRemoved(const std::filesystem::path& path);

// A file (never a folder) this process renamed from one native path to another.
void noteFileRenamed(const std::filesystem::path& from, const std::filesystem::path& to);

// Open around one change and its note. A lookup on another thread that sees the change before
// its note would take it for another process's and list the folder again: while a change is
// under way, moved times of a folder this process changed moments ago are taken to be its own.
class FolderChange {
public:
    FolderChange();
    ~FolderChange();
    FolderChange(const FolderChange&) = delete;
    FolderChange& operator=(const FolderChange&) = delete;
};

}  // namespace vexmor::platform
