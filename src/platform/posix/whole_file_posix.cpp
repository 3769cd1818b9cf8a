#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/whole_file.h"

// The POSIX half of whole-file writing: exclusive creation without following links, and rename.
namespace vexmor::platform::detail {
namespace fs = std::filesystem;

namespace {

std::error_code lastError() {
    return {errno, std::generic_category()};
}

}  // namespace

std::error_code createNewFile(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
        return lastError();
    }
    ::close(fd);
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
    const fs::file_status status = fs::status(from, error);
    if (error) {
        return error;
    }
    if (!fs::is_regular_file(status)) {
        return std::make_error_code(std::errc::invalid_argument);
    }
    fs::copy_file(from, to, fs::copy_options::overwrite_existing, error);
    return error;
}

unsigned long processNumber() {
    return static_cast<unsigned long>(::getpid());
}

}  // namespace vexmor::platform::detail
