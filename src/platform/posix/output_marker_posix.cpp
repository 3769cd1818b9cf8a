#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/native_entries.h"
#include "platform/output_marker.h"

// The POSIX half of output-folder ownership: the marker is locked with flock, which the system
// drops when the descriptor closes or the process ends.
namespace vexmor::platform {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kMarkerLine =
    "This folder was written by vexmor; the next vexmor run into this folder replaces it.\n";

}  // namespace

MarkerLock::~MarkerLock() {
    if (held()) {
        ::close(static_cast<int>(handle_));
    }
}

LockOutcome lockOutputMarker(std::string_view folderText, MarkerLock& lock, std::string& failure) {
    const fs::path marker = detail::folderPath(folderText) / kOutputMarkerName;
    const int descriptor =
        ::open(marker.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
    if (descriptor < 0) {
        failure = std::strerror(errno);
        return LockOutcome::failed;
    }
    MarkerLock opened(descriptor);
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        failure = "not a regular file";
        return LockOutcome::failed;
    }
    if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) {
            return LockOutcome::busy;
        }
        failure = std::strerror(errno);
        return LockOutcome::failed;
    }
    // The line is informative only: the lock is what counts, so a failed write is no failure.
    if (::ftruncate(descriptor, 0) == 0) {
        [[maybe_unused]] const ssize_t written =
            ::pwrite(descriptor, kMarkerLine.data(), kMarkerLine.size(), 0);
    }
    lock = std::move(opened);
    return LockOutcome::locked;
}

}  // namespace vexmor::platform
