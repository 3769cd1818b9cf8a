#include <windows.h>

#include "platform/whole_file.h"

// The Windows half of whole-file writing: exclusive creation, CopyFile into the temporary name and
// MoveFileEx over the final one.
namespace vexmor::platform::detail {
namespace fs = std::filesystem;

namespace {

std::error_code lastError() {
    return {static_cast<int>(GetLastError()), std::system_category()};
}

}  // namespace

std::error_code createNewFile(const fs::path& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const std::error_code error = lastError();
        return error.value() == ERROR_FILE_EXISTS || error.value() == ERROR_ALREADY_EXISTS
                   ? std::make_error_code(std::errc::file_exists)
                   : error;
    }
    CloseHandle(file);
    return {};
}

std::error_code replaceFile(const fs::path& from, const fs::path& to) {
    if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        return lastError();
    }
    return {};
}

std::error_code copyContents(const fs::path& from, const fs::path& to) {
    if (!CopyFileW(from.c_str(), to.c_str(), FALSE)) {
        return lastError();
    }
    return {};
}

unsigned long processNumber() {
    return GetCurrentProcessId();
}

}  // namespace vexmor::platform::detail
