#include "platform/posix/write_all.h"

#include <unistd.h>

#include <cerrno>

namespace vexmor::platform::detail {

int writeAll(int fd, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t put = ::write(fd, bytes.data(), bytes.size());
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            return put < 0 ? errno : EIO;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(put));
    }
    return 0;
}

}  // namespace vexmor::platform::detail
