#include "texture/chunked_stream.h"

#include <algorithm>
#include <array>

namespace vexmor {

void readChunked(std::istream& in, std::span<std::uint8_t> buffer) {
    for (std::size_t at = 0; at < buffer.size() && in; at += kChunkBytes) {
        const std::size_t length = std::min(kChunkBytes, buffer.size() - at);
        in.read(reinterpret_cast<char*>(buffer.data() + at), static_cast<std::streamsize>(length));
    }
}

std::uint64_t writeChunked(std::ostream& out, std::span<const std::uint8_t> bytes) {
    std::uint64_t written = 0;
    for (std::size_t at = 0; at < bytes.size(); at += kChunkBytes) {
        const std::size_t length = std::min(kChunkBytes, bytes.size() - at);
        out.write(reinterpret_cast<const char*>(bytes.data() + at),
                  static_cast<std::streamsize>(length));
        if (!out) {
            break;
        }
        written += length;
    }
    return written;
}

std::uint64_t writeZeros(std::ostream& out, std::uint64_t count) {
    static constexpr std::array<std::uint8_t, kChunkBytes> kZeros{};
    std::uint64_t written = 0;
    while (written < count) {
        const auto length =
            static_cast<std::size_t>(std::min<std::uint64_t>(kChunkBytes, count - written));
        const std::uint64_t accepted = writeChunked(out, std::span(kZeros).first(length));
        written += accepted;
        if (accepted < length) {
            break;
        }
    }
    return written;
}

}  // namespace vexmor
