#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

namespace vexmor::bench {

// Writes width × height pixels of the form 0xAABBGGRR as an 8-bit RGBA PNG with libpng at its
// default settings, the way a plain port of the tool would; false when writing failed.
bool writePeerPng(const std::filesystem::path& file, std::uint32_t width, std::uint32_t height,
                  std::span<const std::uint32_t> pixels);

}  // namespace vexmor::bench
