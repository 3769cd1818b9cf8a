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

// Bytes of one MIP level: the game's textures are at most 1024 wide and expanded ones stay below
// 16 MiB; a header claiming more would make the reader allocate gigabytes of zeros.
inline constexpr std::uint64_t kMaxMipLevelBytes = 64ull * 1024 * 1024;

// Offset-list entries read in one mesh walk: a list is already cut to the words left in the file,
// but a cycle through a long list would still grow the queue and the trace without end.
inline constexpr std::uint64_t kMaxOffsetEntriesPerWalk = 4'000'000;

// Nested meshes inside one another: the game nests two or three levels; each level keeps a file
// open and a frame on the stack.
inline constexpr std::uint32_t kMaxNestedMeshDepth = 32;

// Nested-mesh rewrites below one top-level mesh: every reference is rewritten again, so meshes
// that name each other many times over would multiply the work without bound.
inline constexpr std::uint64_t kMaxNestedRewritesPerMesh = 10'000;

// A 3DO file is walked from a copy in memory up to this size (real meshes are a few hundred KiB);
// a larger one is walked from the file itself.
inline constexpr std::uint64_t kMaxMeshBytesInMemory = 64ull * 1024 * 1024;

}  // namespace vexmor::limits
