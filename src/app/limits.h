#pragma once

#include <cstdint>

// Bounds that keep damaged or crafted files from hanging the tool or exhausting memory. Each is
// far above what the game's own files use, and each refusal prints one line naming the file.
namespace vexmor::limits {

// Node visits in one mesh walk: real meshes have a few thousand nodes; a cyclic graph reaches
// this bound instead of running forever.
inline constexpr std::uint64_t kMaxNodeVisitsPerMesh = 1'000'000;

// Width and height shifts beyond this leave no pixels; a level index past it is empty.
inline constexpr std::uint32_t kMaxLevelShift = 31;

}  // namespace vexmor::limits
