#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <ostream>
#include <span>

// Texture data moves through the streams in pieces of kChunkBytes, so no single read or write
// is larger than that however large a level is.
namespace vexmor {

inline constexpr std::size_t kChunkBytes = 4096;

// Reads up to `buffer.size()` bytes, chunk by chunk, from the read position; whatever the stream
// cannot deliver stays as it was.
void readChunked(std::istream& in, std::span<std::uint8_t> buffer);

// Writes `bytes` chunk by chunk, stopping at the first chunk the stream refuses; returns the
// bytes the stream accepted.
std::uint64_t writeChunked(std::ostream& out, std::span<const std::uint8_t> bytes);

// Writes `count` zero bytes the same way; returns the bytes the stream accepted.
std::uint64_t writeZeros(std::ostream& out, std::uint64_t count);

}  // namespace vexmor
