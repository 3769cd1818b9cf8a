#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <utility>

#include "platform/posix/write_all.h"
#include "platform/whole_file.h"

// The POSIX half of whole-file writing: exclusive creation without following links, and rename.
namespace vexmor::platform::detail {
namespace fs = std::filesystem;

namespace {

// Copies move through a buffer of this size.
constexpr std::size_t kCopyPieceSize = 65536;

std::error_code errorOf(int number) {
    return number != 0 ? std::error_code(number, std::generic_category()) : std::error_code();
}

std::error_code lastError() {
    return errorOf(errno);
}

}  // namespace

std::error_code createNewFile(const fs::path& path, std::intptr_t& kept) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
        return lastError();
    }
    kept = fd;
    return {};
}

void closeKept(std::intptr_t& kept) {
    if (kept >= 0) {
        ::close(static_cast<int>(kept));
        kept = -1;
    }
}

std::error_code replaceFile(const fs::path& from, const fs::path& to) {
    // rename() replaces the entry at `to` itself, a link included, in one step.
    if (::rename(from.c_str(), to.c_str()) != 0) {
        return lastError();
    }
    return {};
}

std::error_code copyContents(const fs::path& from, const fs::path& to) {
    // Only regular files are opened by name: a FIFO would block, a device never end.
    std::error_code error;
    if (!fs::is_regular_file(fs::status(from, error))) {
        return error ? error : std::make_error_code(std::errc::invalid_argument);
    }
    // A plain read and write loop, so a failed write gives the system's own reason (a full disk
    // says so, rather than an input/output error).
    const int source = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (source < 0) {
        return lastError();
    }
    // `to` is a new empty temporary: not truncated again, as on ext4 that makes the close start
    // writing the file to disk.
    const int target = ::open(to.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
    if (target < 0) {
        error = lastError();
        ::close(source);
        return error;
    }
    std::array<std::uint8_t, kCopyPieceSize> buffer{};
    while (!error) {
        const ssize_t got = ::read(source, buffer.data(), buffer.size());
        if (got <= 0) {
            error = got < 0 ? lastError() : std::error_code();
            break;
        }
        error = errorOf(writeAll(target, std::span(buffer).first(static_cast<std::size_t>(got))));
    }
    if (::close(target) != 0 && !error) {
        error = lastError();
    }
    ::close(source);
    return error;
}

std::error_code writeContents(std::intptr_t& kept, const fs::path& to,
                              std::span<const std::uint8_t> bytes) {
    // Opened without truncating: `to` is a new empty temporary (see copyContents).
    const int target = kept >= 0 ? static_cast<int>(std::exchange(kept, -1))
                                 : ::open(to.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
    if (target < 0) {
        return lastError();
    }
    std::error_code error = errorOf(writeAll(target, bytes));
    // A file system may report a full disk only when the file is closed.
    if (::close(target) != 0 && !error) {
        error = lastError();
    }
    return error;
}

unsigned long processNumber() {
    static const auto number = static_cast<unsigned long>(::getpid());
    return number;
}

}  // namespace vexmor::platform::detail
