#include "platform/png_backend.h"

#include "app/console.h"

namespace vexmor::platform {

bool encodePngFile(Console&, const std::string&, std::uint64_t, std::uint64_t,
                   std::span<const std::uint32_t>) {
    return false;
}

}  // namespace vexmor::platform
