#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vexmor {

class RunContext;

// Writes width × height pixels of the form 0xAABBGGRR as a PNG, whole or not at all, replacing
// an existing file. The file is checked to lie inside the output folder at once, then encoded
// and written as the context's background work: its failure lines follow the lines printed
// before the call, and precede those printed after it.
void writePng(RunContext& context, const std::string& fileName, std::uint64_t width,
              std::uint64_t height, std::vector<std::uint32_t> pixels);

// The same for an image of palette indices, mapped through `palette` (256 colours of the form
// 0xAABBGGRR) where it is written rather than by the caller.
void writeIndexedPng(RunContext& context, const std::string& fileName, std::uint64_t width,
                     std::uint64_t height, std::vector<std::uint8_t> indices,
                     std::span<const std::uint32_t> palette);

}  // namespace vexmor
