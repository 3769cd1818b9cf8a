#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Which output folders are the tool's own. A folder the tool creates, or takes over empty, gets a
// marker file; only a folder that is empty or carries the marker is ever emptied. While a run
// uses an output folder it holds an exclusive lock on the marker, so two runs never write into
// one folder at once.
namespace vexmor::platform {

inline constexpr std::string_view kOutputMarkerName = ".vexmor-output";

// True when `name` is the marker's name in any ASCII case: to the tool's case-blind paths every
// spelling names the marker.
bool isOutputMarkerName(std::string_view name);

enum class OutputFolderState {
    missing,
    empty,
    marked,     // carries the marker: the output of an earlier run
    foreign,    // holds entries but no marker
    link,       // the folder's own name is a link (or junction)
    notFolder,  // a file or other non-folder
};

// How the folder a path text names stands; its last component is never followed. Throws
// FileSystemError("status") or FileSystemError("directory_iterator") when it cannot be told.
OutputFolderState outputFolderState(std::string_view folderText);

// An exclusive lock on an output folder's marker, held until destroyed. The operating system
// drops it when the process ends, however it ends.
class MarkerLock {
public:
    MarkerLock() = default;
    explicit MarkerLock(std::intptr_t handle) : handle_(handle) {}
    ~MarkerLock();
    MarkerLock(MarkerLock&& other) noexcept : handle_(other.handle_) { other.handle_ = -1; }
    MarkerLock& operator=(MarkerLock&& other) noexcept;
    MarkerLock(const MarkerLock&) = delete;
    MarkerLock& operator=(const MarkerLock&) = delete;

    bool held() const { return handle_ != -1; }

private:
    std::intptr_t handle_ = -1;  // a file descriptor, or a HANDLE
};

enum class LockOutcome { locked, busy, failed };

// Opens the marker of an existing folder, creating it when absent and never through a link,
// takes the exclusive lock without waiting and writes the marker's line. `busy` when another
// process holds the lock; `failed` (with the system's reason in `failure`) when the marker cannot
// be made, is not a regular file, or cannot be locked.
LockOutcome lockOutputMarker(std::string_view folderText, MarkerLock& lock, std::string& failure);

// Removes everything inside the folder except its marker. Links met inside are removed as links,
// never followed. Goes on past failures and throws FileSystemError("remove_all") for the first.
void emptyOutputFolder(std::string_view folderText);

}  // namespace vexmor::platform
