#include "export/png_writer.h"

#include "app/run_context.h"

namespace vexmor {

bool writePng(RunContext&, const std::string&, std::uint64_t, std::uint64_t,
              std::span<const std::uint32_t>) {
    return false;
}

}  // namespace vexmor
