#include "mesh/byte_stream_buf.h"

#include <utility>

namespace vexmor {

ByteStreamBuf::ByteStreamBuf(std::vector<char> bytes) : bytes_(std::move(bytes)) {
    char* const begin = bytes_.data();
    setg(begin, begin, begin + bytes_.size());
}

ByteStreamBuf::pos_type ByteStreamBuf::seekoff(off_type offset, std::ios_base::seekdir direction,
                                               std::ios_base::openmode which) {
    const pos_type failed(off_type(-1));
    if (!(which & std::ios_base::in)) {
        return failed;
    }
    const auto size = static_cast<off_type>(bytes_.size());
    off_type base = 0;
    if (direction == std::ios_base::cur) {
        base = static_cast<off_type>(gptr() - eback()) + beyondEnd_;
    } else if (direction == std::ios_base::end) {
        base = size;
    }
    const off_type target = base + offset;
    if (target < 0) {
        return failed;
    }
    if (target <= size) {
        setg(eback(), eback() + target, egptr());
        beyondEnd_ = 0;
    } else {
        setg(eback(), egptr(), egptr());
        beyondEnd_ = target - size;
    }
    return pos_type(target);
}

ByteStreamBuf::pos_type ByteStreamBuf::seekpos(pos_type position, std::ios_base::openmode which) {
    return seekoff(off_type(position), std::ios_base::beg, which);
}

}  // namespace vexmor
