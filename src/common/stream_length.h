#pragma once

#include <cstdint>
#include <istream>

namespace vexmor {

// The length in bytes of what the stream reads from, 0 when it cannot be told. The read position
// and the state flags are left as they were, so it may be asked at any point of a read.
std::uint64_t streamLength(std::istream& in);

}  // namespace vexmor
