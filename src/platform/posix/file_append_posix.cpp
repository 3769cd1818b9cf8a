#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <vector>

#include "platform/file_append.h"
#include "platform/file_system.h"
#include "platform/posix/write_all.h"

// The POSIX half of appending: copy_file_range moves the bytes inside the kernel; a file system
// that cannot do that gets a plain read and write loop, which also tells a failed read from a
// failed write.
namespace vexmor::platform {
namespace {

std::string lastReason() {
    return std::generic_category().message(errno);
}

// Writes all of `bytes`. Returns the system's reason on failure.
std::string writeAll(int fd, const std::uint8_t* bytes, std::size_t size) {
    const int error = detail::writeAll(fd, {bytes, size});
    return error != 0 ? std::generic_category().message(error) : std::string();
}

// Moves up to `remaining` bytes in kernel pieces; leaves in `remaining` what is still to move
// when the kernel cannot do it here (a plain loop then finishes).
void copyInKernel(int source, int target, std::uint64_t& remaining, std::size_t pieceSize,
                  AppendFailure& failure) {
    while (remaining > 0) {
        const auto piece = static_cast<std::size_t>(std::min<std::uint64_t>(remaining, pieceSize));
        const ssize_t moved = ::copy_file_range(source, nullptr, target, nullptr, piece, 0);
        if (moved > 0) {
            remaining -= static_cast<std::uint64_t>(moved);
        } else if (moved == 0) {
            failure.lengthChanged = true;
            return;
        } else if (errno != EINTR) {
            return;  // the plain loop takes over and names the failing side
        }
    }
}

void copyThroughBuffer(int source, int target, std::uint64_t& remaining, std::size_t pieceSize,
                       AppendFailure& failure) {
    std::vector<std::uint8_t> buffer(
        static_cast<std::size_t>(std::min<std::uint64_t>(remaining, pieceSize)));
    while (remaining > 0) {
        const auto piece = static_cast<std::size_t>(std::min<std::uint64_t>(remaining, pieceSize));
        const ssize_t got = ::read(source, buffer.data(), piece);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            failure.reading = lastReason();
            return;
        }
        if (got == 0) {
            failure.lengthChanged = true;
            return;
        }
        failure.writing = writeAll(target, buffer.data(), static_cast<std::size_t>(got));
        if (!failure.writing.empty()) {
            return;
        }
        remaining -= static_cast<std::uint64_t>(got);
    }
}

bool atEnd(int source) {
    std::uint8_t probe = 0;
    ssize_t got = 0;
    do {
        got = ::read(source, &probe, 1);
    } while (got < 0 && errno == EINTR);
    return got == 0;
}

}  // namespace

AppendFile::AppendFile(const std::filesystem::path& path)
    : handle_(::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC)) {
    if (handle_ < 0) {
        failure_ = lastReason();
    }
}

AppendFile::~AppendFile() {
    close();
}

std::string AppendFile::append(std::span<const std::uint8_t> bytes) {
    return writeAll(static_cast<int>(handle_), bytes.data(), bytes.size());
}

AppendFailure AppendFile::appendFileBytes(std::string_view sourceText, std::uint64_t length,
                                          std::size_t pieceSize) {
    AppendFailure failure;
    const int source = ::open(nativePath(sourceText).c_str(), O_RDONLY | O_CLOEXEC);
    struct stat status {};
    if (source < 0 || ::fstat(source, &status) != 0) {
        failure.reading = lastReason();
    } else if (!S_ISREG(status.st_mode)) {
        // Opened by name, a FIFO or device put there since it was measured could block or never
        // end.
        failure.reading = std::make_error_code(std::errc::invalid_argument).message();
    } else {
        std::uint64_t remaining = length;
        const int target = static_cast<int>(handle_);
        copyInKernel(source, target, remaining, pieceSize, failure);
        if (!failure.any()) {
            copyThroughBuffer(source, target, remaining, pieceSize, failure);
        }
        failure.lengthChanged = failure.lengthChanged || (!failure.any() && !atEnd(source));
    }
    if (source >= 0) {
        ::close(source);
    }
    return failure;
}

std::string AppendFile::close() {
    if (handle_ < 0) {
        return {};
    }
    const int result = ::close(static_cast<int>(handle_));
    handle_ = -1;
    return result != 0 ? lastReason() : std::string();
}

}  // namespace vexmor::platform
