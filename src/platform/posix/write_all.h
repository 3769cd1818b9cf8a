#pragma once

#include <cstdint>
#include <span>

namespace vexmor::platform::detail {

// Writes all of `bytes` to the descriptor `fd`, going on after short and interrupted writes.
// Returns 0, or the errno of the write that failed (EIO for one that wrote nothing).
int writeAll(int fd, std::span<const std::uint8_t> bytes);

}  // namespace vexmor::platform::detail
