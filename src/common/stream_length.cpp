#include "common/stream_length.h"

namespace vexmor {

std::uint64_t streamLength(std::istream& in) {
    const std::ios::iostate state = in.rdstate();
    in.clear();
    const std::streampos here = in.tellg();
    in.seekg(0, std::ios::end);
    const std::streampos end = in.tellg();
    in.clear();
    if (here != std::streampos(-1)) {
        in.seekg(here);
    }
    in.setstate(state);
    return end == std::streampos(-1) ? 0 : static_cast<std::uint64_t>(end);
}

}  // namespace vexmor
