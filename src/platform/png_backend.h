#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace vexmor {
class Console;
}

namespace vexmor::platform {

// The platform's PNG encoder. Pixels are 0xAABBGGRR; failures print their lines on `console`.
bool encodePngFile(Console& console, const std::string& fileName, std::uint64_t width,
                   std::uint64_t height, std::span<const std::uint32_t> pixels);

}  // namespace vexmor::platform
