#pragma once

#include <cstdint>
#include <filesystem>
#include <ostream>
#include <span>

namespace vexmor::sample {

// Writes a whole file, creating its folders. Throws std::runtime_error when it cannot.
void writeBinaryFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

// Copies a file's bytes to the end of `out` in pieces; returns how many were copied. Throws
// std::runtime_error when the file cannot be read or the stream refuses the bytes.
std::uint64_t appendFileTo(std::ostream& out, const std::filesystem::path& path);

}  // namespace vexmor::sample
