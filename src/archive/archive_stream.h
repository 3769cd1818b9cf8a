#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <span>
#include <string_view>
#include <vector>

namespace vexmor {

// A read-only archive file that, once a read runs past its end, reads nothing more: everything
// after the first short read comes back as no bytes, so a damaged archive yields zeros rather
// than bytes from the wrong place. Reads go straight to the file buffer in large pieces.
class ArchiveStream {
public:
    explicit ArchiveStream(std::string_view pathText);

    bool isOpen() const { return in_.is_open(); }
    bool readable() const { return readable_; }

    // Fills as much of `buffer` as the archive holds from the current position and returns the
    // byte count; a short count leaves the stream unreadable.
    std::size_t read(std::span<char> buffer);
    std::size_t read(std::span<std::uint8_t> buffer);

    // Reads `size` bytes into a new block, never allocating more than the archive still holds;
    // a short block leaves the stream unreadable.
    std::vector<std::uint8_t> readBlock(std::uint64_t size);

    // Moves to an absolute position; a failed seek leaves the stream unreadable.
    void seek(std::uint64_t position);

    // Bytes between the current position and the end; 0 when unreadable or not seekable.
    std::uint64_t bytesLeft();

private:
    std::ifstream in_;
    bool readable_ = false;
};

}  // namespace vexmor
