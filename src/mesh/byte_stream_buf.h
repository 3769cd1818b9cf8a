#pragma once

#include <streambuf>
#include <vector>

namespace vexmor {

// A read-only stream buffer over bytes in memory that seeks like a file: a position past the end
// is accepted, and reading there finds the end of the file.
class ByteStreamBuf : public std::streambuf {
public:
    explicit ByteStreamBuf(std::vector<char> bytes);
    // The get area points into the owned bytes.
    ByteStreamBuf(const ByteStreamBuf&) = delete;
    ByteStreamBuf& operator=(const ByteStreamBuf&) = delete;

protected:
    pos_type seekoff(off_type offset, std::ios_base::seekdir direction,
                     std::ios_base::openmode which) override;
    pos_type seekpos(pos_type position, std::ios_base::openmode which) override;

private:
    std::vector<char> bytes_;
    off_type beyondEnd_ = 0;  // how far past the end the last seek went
};

}  // namespace vexmor
