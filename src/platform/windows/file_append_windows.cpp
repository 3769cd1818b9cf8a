#include <windows.h>

#include <algorithm>
#include <system_error>
#include <vector>

#include "platform/file_append.h"
#include "platform/file_system.h"

// The Windows half of appending: a plain read and write loop through one buffer.
namespace vexmor::platform {
namespace {

// ReadFile and WriteFile take at most this many bytes at once.
constexpr std::uint64_t kMaxTransfer = 1u << 30;

std::string lastReason() {
    return std::error_code(static_cast<int>(GetLastError()), std::system_category()).message();
}

HANDLE handleOf(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

std::string writeAll(HANDLE file, const std::uint8_t* bytes, std::size_t size) {
    while (size > 0) {
        DWORD put = 0;
        const auto piece = static_cast<DWORD>(std::min<std::uint64_t>(size, kMaxTransfer));
        if (!WriteFile(file, bytes, piece, &put, nullptr)) {
            return lastReason();
        }
        bytes += put;
        size -= put;
    }
    return {};
}

void copyThroughBuffer(HANDLE source, HANDLE target, std::uint64_t remaining, std::size_t pieceSize,
                       AppendFailure& failure) {
    const auto bufferSize = std::min<std::uint64_t>({remaining, pieceSize, kMaxTransfer});
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(bufferSize));
    while (remaining > 0) {
        const auto piece = static_cast<DWORD>(std::min<std::uint64_t>(remaining, bufferSize));
        DWORD got = 0;
        if (!ReadFile(source, buffer.data(), piece, &got, nullptr)) {
            failure.reading = lastReason();
            return;
        }
        if (got == 0) {
            failure.lengthChanged = true;
            return;
        }
        failure.writing = writeAll(target, buffer.data(), got);
        if (!failure.writing.empty()) {
            return;
        }
        remaining -= got;
    }
    std::uint8_t probe = 0;
    DWORD got = 0;
    failure.lengthChanged = !ReadFile(source, &probe, 1, &got, nullptr) || got != 0;
}

}  // namespace

AppendFile::AppendFile(const std::filesystem::path& path)
    : handle_(reinterpret_cast<std::intptr_t>(
          CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr))) {
    if (handleOf(handle_) == INVALID_HANDLE_VALUE) {
        failure_ = lastReason();
    }
}

AppendFile::~AppendFile() {
    close();
}

std::string AppendFile::append(std::span<const std::uint8_t> bytes) {
    return writeAll(handleOf(handle_), bytes.data(), bytes.size());
}

AppendFailure AppendFile::appendFileBytes(std::string_view sourceText, std::uint64_t length,
                                          std::size_t pieceSize) {
    AppendFailure failure;
    HANDLE source = CreateFileW(nativePath(sourceText).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (source == INVALID_HANDLE_VALUE) {
        failure.reading = lastReason();
        return failure;
    }
    if (GetFileType(source) != FILE_TYPE_DISK) {
        failure.reading = std::make_error_code(std::errc::invalid_argument).message();
    } else {
        copyThroughBuffer(source, handleOf(handle_), length, pieceSize, failure);
    }
    CloseHandle(source);
    return failure;
}

std::string AppendFile::close() {
    if (handleOf(handle_) == INVALID_HANDLE_VALUE) {
        return {};
    }
    const bool closed = CloseHandle(handleOf(handle_));
    handle_ = reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE);
    return closed ? std::string() : lastReason();
}

}  // namespace vexmor::platform
