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

std::error_code createNewFile(const fs::path& path, std::intptr_t& kept) {
    kept = -1;  // the image encoder opens the file by name itself
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

std::error_code closeKept(std::intptr_t&) {
    return {};
}

// Every file is written under a temporary name here: the image encoder opens it by name.
std::error_code createUnnamedFile(const fs::path&, std::intptr_t&) {
    return std::make_error_code(std::errc::operation_not_supported);
}

std::error_code writeKept(std::intptr_t, std::span<const std::uint8_t>) {
    return std::make_error_code(std::errc::operation_not_supported);
}

std::error_code nameKept(std::intptr_t, const fs::path&) {
    return std::make_error_code(std::errc::operation_not_supported);
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

std::error_code writeContents(std::intptr_t&, const fs::path& to,
                              std::span<const std::uint8_t> bytes) {
    HANDLE file = CreateFileW(to.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return lastError();
    }
    std::error_code error;
    constexpr std::size_t kMostPerCall = 0x40000000;  // WriteFile takes a 32-bit count
    for (std::size_t done = 0; done < bytes.size() && !error;) {
        const std::size_t left = bytes.size() - done;
        const auto piece = static_cast<DWORD>(left < kMostPerCall ? left : kMostPerCall);
        DWORD put = 0;
        if (!WriteFile(file, bytes.data() + done, piece, &put, nullptr)) {
            error = lastError();
        } else if (put == 0) {
            error = std::make_error_code(std::errc::io_error);
        }
        done += put;
    }
    if (!CloseHandle(file) && !error) {
        error = lastError();
    }
    return error;
}

unsigned long processNumber() {
    return GetCurrentProcessId();
}

}  // namespace vexmor::platform::detail
