#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <string_view>

#include "platform/folder_index.h"

namespace vexmor::platform {

// A file that appears under its final name whole or not at all. It is written under a temporary
// name beside the final one, created new (never through a link), and renamed over the final name
// by commit(): a killed run or a full disk leaves at most a stray temporary file, never a file cut
// short under its final name, and a link or special file at the final name is replaced rather
// than written through. Destroyed before a successful commit, it removes its temporary file.
class WholeFile {
public:
    // How the file will be filled. A file filled only by write() is made without a name where the
    // system can, and commit() gives it its final name: the folder is spared a temporary entry (in
    // a folder of thousands of files the create and rename cost about an eighth more system time)
    // and a killed run leaves nothing behind. It has no temporary path.
    enum class Filling { anyWay, onlyByWrite };

    explicit WholeFile(std::string_view finalPathText, Filling filling = Filling::anyWay);
    ~WholeFile();
    WholeFile(const WholeFile&) = delete;
    WholeFile& operator=(const WholeFile&) = delete;

    // Empty when the temporary file was made; else the system's reason.
    const std::string& failure() const { return failure_; }
    bool ready() const { return failure_.empty(); }

    // For writers that open files by name themselves (an image encoder, a copy).
    const std::filesystem::path& temporaryPath() const { return temporary_; }
    const std::filesystem::path& finalPath() const { return final_; }
    // The temporary path as a path text, for writers that take one.
    std::string temporaryPathText() const;

    // Fills the new, empty temporary file with `bytes`. Returns the system's error.
    std::error_code write(std::span<const std::uint8_t> bytes);

    // Fills the temporary file with the contents of the file `sourceText` names (only a regular
    // file is read). Returns the system's reason on failure, else an empty text.
    std::string copyFrom(std::string_view sourceText);

    // The temporary file, new and empty, as a binary stream.
    std::ofstream openStream() const;

    // Renames the temporary file over the final name. Returns the system's reason on failure,
    // else an empty text; after a failure the final name is as it was.
    std::string commit();
    // Closes `out` (written to the temporary file), then commits when every write succeeded.
    std::string commit(std::ofstream& out);

private:
    std::filesystem::path final_;
    // The temporary file is a change to its folder from its creation until it is renamed or
    // removed, which notes it (made after the final name is looked up).
    FolderChange underWay_;
    std::filesystem::path temporary_;
    std::string failure_;
    std::intptr_t kept_ = -1;  // the temporary file as created, while still open
    bool unnamed_ = false;     // made without a name: kept open until commit() names it
    bool committed_ = false;

    std::string commitUnnamed();
};

// Copies a file whole: into a temporary name beside the destination, then renamed over it.
// Returns the system's reason on failure, else an empty text.
std::string copyFileWhole(std::string_view sourceText, std::string_view destinationText);

namespace detail {

// Creates `path` as a new empty file; never opens an existing entry or follows a link. On POSIX
// the file stays open for writeContents in `kept` (a descriptor); elsewhere `kept` is -1.
std::error_code createNewFile(const std::filesystem::path& path, std::intptr_t& kept);
// Closes a file kept open by createNewFile or createUnnamedFile, if any.
std::error_code closeKept(std::intptr_t& kept);
// Creates a new file without a name in `folder`, open for writing in `kept`. Fails where the system
// cannot make or later name such a file: then a named temporary file serves.
std::error_code createUnnamedFile(const std::filesystem::path& folder, std::intptr_t& kept);
// Writes `bytes` into the open file `kept`, which stays open.
std::error_code writeKept(std::intptr_t kept, std::span<const std::uint8_t> bytes);
// Gives the unnamed file `kept` the name `to`; fails with file_exists when `to` is taken, even by
// a link, which is never followed.
std::error_code nameKept(std::intptr_t kept, const std::filesystem::path& to);
// Renames `from` over `to`, replacing a file or link there (never writing through it).
std::error_code replaceFile(const std::filesystem::path& from, const std::filesystem::path& to);
// Copies the contents of `from` into the existing empty file `to`, following no link at `to`.
std::error_code copyContents(const std::filesystem::path& from, const std::filesystem::path& to);
// Writes `bytes` into the existing empty file `to` (through `kept` when it is open, which is then
// closed), following no link at `to`.
std::error_code writeContents(std::intptr_t& kept, const std::filesystem::path& to,
                              std::span<const std::uint8_t> bytes);
// A number that differs between processes running at once.
unsigned long processNumber();

}  // namespace detail
}  // namespace vexmor::platform
