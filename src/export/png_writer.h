#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace vexmor {

class RunContext;

// Writes width × height pixels of the form 0xAABBGGRR as a PNG, whole or not at all, replacing
// an existing file.
// Failures are reported on the console; true when the image was written.
bool writePng(RunContext& context, const std::string& fileName, std::uint64_t width,
              std::uint64_t height, std::span<const std::uint32_t> pixels);

}  // namespace vexmor
