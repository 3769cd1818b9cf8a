#include "archive/archive_stream.h"

#include <algorithm>
#include <exception>

#include "platform/file_system.h"

namespace vexmor {

ArchiveStream::ArchiveStream(std::string_view pathText)
    : in_(platform::openForReading(pathText)), readable_(in_.is_open()) {}

std::size_t ArchiveStream::read(std::span<char> buffer) {
    std::size_t done = 0;
    while (readable_ && done < buffer.size()) {
        std::streamsize got = 0;
        try {
            got = in_.rdbuf()->sgetn(buffer.data() + done,
                                     static_cast<std::streamsize>(buffer.size() - done));
        } catch (const std::exception&) {
            // The file buffer reports a failed system read (a folder, an I/O error) by
            // throwing; for the archive it is the same as reaching its end.
            got = 0;
        }
        if (got <= 0) {
            readable_ = false;
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return done;
}

std::size_t ArchiveStream::read(std::span<std::uint8_t> buffer) {
    return read(std::span<char>(reinterpret_cast<char*>(buffer.data()), buffer.size()));
}

std::vector<std::uint8_t> ArchiveStream::readBlock(std::uint64_t size) {
    std::vector<std::uint8_t> block(static_cast<std::size_t>(std::min(size, bytesLeft())));
    block.resize(read(block));
    if (block.size() < size) {
        readable_ = false;
    }
    return block;
}

void ArchiveStream::seek(std::uint64_t position) {
    if (!readable_) {
        return;
    }
    const auto target = static_cast<std::streamoff>(position);
    if (in_.rdbuf()->pubseekpos(target, std::ios::in) != std::streampos(target)) {
        readable_ = false;
    }
}

std::uint64_t ArchiveStream::bytesLeft() {
    if (!readable_) {
        return 0;
    }
    std::streambuf& file = *in_.rdbuf();
    const std::streampos here = file.pubseekoff(0, std::ios::cur, std::ios::in);
    const std::streampos end = file.pubseekoff(0, std::ios::end, std::ios::in);
    if (here == std::streampos(-1) || end == std::streampos(-1) ||
        file.pubseekpos(here, std::ios::in) != here) {
        readable_ = false;
        return 0;
    }
    return end > here ? static_cast<std::uint64_t>(end - here) : 0;
}

}  // namespace vexmor
