#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string>
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

std::error_code closeKept(std::intptr_t& kept) {
    if (kept < 0) {
        return {};
    }
    const int closed = ::close(static_cast<int>(std::exchange(kept, -1)));
    return closed != 0 ? lastError() : std::error_code();
}

std::error_code createUnnamedFile(const fs::path& folder, std::intptr_t& kept) {
#ifdef O_TMPFILE
    // Where the descriptor cannot name the file, its entry in /proc does: without /proc the file
    // might never be named.
    static const bool canName = ::access("/proc/self/fd", X_OK) == 0;
    if (!canName) {
        return std::make_error_code(std::errc::operation_not_supported);
    }
    const int fd =
        ::open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0) {
        return lastError();
    }
    kept = fd;
    return {};
#else
    return std::make_error_code(std::errc::operation_not_supported);
#endif
}

std::error_code writeKept(std::intptr_t kept, std::span<const std::uint8_t> bytes) {
    return errorOf(writeAll(static_cast<int>(kept), bytes));
}

std::error_code nameKept(std::intptr_t kept, const fs::path& to) {
    // linkat makes a new entry only: a file or link at `to` fails it, and no link is followed. The
    // descriptor itself names the file on systems that let its opener do so (Linux 6.10 on); else
    // its entry in /proc does, a path walk that costs about a tenth of the system time of a run.
    static std::atomic<bool> byDescriptorRefused{false};
    const int fd = static_cast<int>(kept);
    if (!byDescriptorRefused.load(std::memory_order_relaxed)) {
        if (::linkat(fd, "", AT_FDCWD, to.c_str(), AT_EMPTY_PATH) == 0) {
            return {};
        }
        if (errno != ENOENT) {
            return lastError();
        }
    }
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, to.c_str(), AT_SYMLINK_FOLLOW) != 0) {
        return lastError();
    }
    byDescriptorRefused.store(true, std::memory_order_relaxed);
    return {};
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
