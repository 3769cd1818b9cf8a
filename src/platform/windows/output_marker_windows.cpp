#include <windows.h>

#include <filesystem>
#include <system_error>

#include "platform/native_entries.h"
#include "platform/output_marker.h"

// The Windows half of output-folder ownership: the marker is locked with LockFileEx over its
// whole range, which the system drops when the handle closes or the process ends.
namespace vexmor::platform {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kMarkerLine =
    "This folder was written by vexmor; the next vexmor run into this folder replaces it.\r\n";

HANDLE asHandle(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

std::string systemReason(DWORD code) {
    return std::error_code(static_cast<int>(code), std::system_category()).message();
}

}  // namespace

MarkerLock::~MarkerLock() {
    if (held()) {
        CloseHandle(asHandle(handle_));
    }
}

LockOutcome lockOutputMarker(std::string_view folderText, MarkerLock& lock, std::string& failure) {
    const fs::path marker = detail::folderPath(folderText) / kOutputMarkerName;
    // FILE_FLAG_OPEN_REPARSE_POINT opens a link itself, which is then refused below.
    const HANDLE handle =
        CreateFileW(marker.c_str(), GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        failure = systemReason(GetLastError());
        return LockOutcome::failed;
    }
    MarkerLock opened(reinterpret_cast<std::intptr_t>(handle));
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(handle, &information) ||
        (information.dwFileAttributes &
         (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
        failure = "not a regular file";
        return LockOutcome::failed;
    }
    OVERLAPPED whole{};
    if (!LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD,
                    MAXDWORD, &whole)) {
        const DWORD error = GetLastError();
        if (error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING) {
            return LockOutcome::busy;
        }
        failure = systemReason(error);
        return LockOutcome::failed;
    }
    // The line is informative only: the lock is what counts, so a failed write is no failure.
    DWORD written = 0;
    if (SetEndOfFile(handle)) {
        WriteFile(handle, kMarkerLine.data(), static_cast<DWORD>(kMarkerLine.size()), &written,
                  nullptr);
    }
    lock = std::move(opened);
    return LockOutcome::locked;
}

}  // namespace vexmor::platform
