#pragma once

#include <cstddef>
#include <cstdint>

// Bounds that keep damaged or crafted files from hanging the tool or exhausting memory. Each is
// far above what the game's own files use, and each refusal prints one line naming the file.
namespace vexmor::limits {

// Node visits in one mesh walk: real meshes have a few thousand nodes; a cyclic graph reaches
// this bound instead of running forever.
inline constexpr std::uint64_t kMaxNodeVisitsPerMesh = 1'000'000;
// Below that, a walk may visit each word of its file this many times (a node shared by many
// parents is walked once per reference), but never fewer than the floor. Outside fuzzing the floor
// is the bound itself, so every mesh gets the full million visits; a fuzzing build lowers it so a
// cyclic graph of a few bytes costs a few thousand visits per run.
inline constexpr std::uint64_t kNodeVisitsPerFileWord = 16;
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
inline constexpr std::uint64_t kMinNodeVisitsPerMesh = 1024;
#else
inline constexpr std::uint64_t kMinNodeVisitsPerMesh = kMaxNodeVisitsPerMesh;
#endif

// Levels of one MIP or MI4 texture: past level 32 every level is empty and the game's own
// textures have at most 11; the count must also fit the file (24 + 12 bytes a level).
inline constexpr std::uint32_t kMaxMipLevels = 64;

// Width and height shifts beyond this leave no pixels; a level index past it is empty.
inline constexpr std::uint32_t kMaxLevelShift = 31;

// Bytes of one MIP level: the game's textures are at most 1024 wide and expanded ones stay below
// 16 MiB; a header claiming more would make the reader allocate gigabytes of zeros.
inline constexpr std::uint64_t kMaxMipLevelBytes = 64ull * 1024 * 1024;
// Images waiting for or being written by the image workers at once, and the bytes of level data
// they hold together (one image always goes ahead, whatever its size). A few dozen images keep
// both workers busy while the oldest, maybe the largest, is written: the run waits for that one
// before it prints on. The byte bound keeps hostile levels of kMaxMipLevelBytes to one at a time.
inline constexpr std::size_t kMaxImagesInHand = 32;
inline constexpr std::uint64_t kMaxImageBytesInHand = 64ull * 1024 * 1024;

// All levels of one MIP together, per byte of its file, plus an allowance: a file cut short
// still reads (zeros where data is missing), but a few bytes cannot demand megabytes of zeros,
// images and conversions.
inline constexpr std::uint64_t kMipLevelBytesPerFileByte = 2;
inline constexpr std::uint64_t kMipLevelBytesAllowance = 4096;

// Offset-list entries read in one mesh walk: a list is already cut to the words left in the file,
// but a cycle through a long list would still grow the queue and the trace without end.
inline constexpr std::uint64_t kMaxOffsetEntriesPerWalk = 4'000'000;
// Below that, as for node visits: entries per word of the file, and a floor that outside fuzzing
// is the bound itself.
inline constexpr std::uint64_t kOffsetEntriesPerFileWord = 64;
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
inline constexpr std::uint64_t kMinOffsetEntriesPerWalk = 4096;
#else
inline constexpr std::uint64_t kMinOffsetEntriesPerWalk = kMaxOffsetEntriesPerWalk;
#endif

// Nested meshes inside one another: the game nests two or three levels; each level keeps a file
// open and a frame on the stack.
inline constexpr std::uint32_t kMaxNestedMeshDepth = 32;

// Nested-mesh rewrites below one top-level mesh: every reference is rewritten again, so meshes
// that name each other many times over would multiply the work without bound.
inline constexpr std::uint64_t kMaxNestedRewritesPerMesh = 10'000;

// Node visits of one top-level mesh's rewrite, its nested meshes included: real meshes have a few
// thousand nodes and nest a handful of others, but a thousand references to one cyclic nested
// mesh would each make a whole walk. The top-level mesh keeps its own walk's bound out of it, so
// the nested walks share the rest. Below that, as for one walk: visits per word of the top-level
// file, and a floor that a fuzzing build lowers.
inline constexpr std::uint64_t kMaxNodeVisitsPerRewrite = 4'000'000;
inline constexpr std::uint64_t kNodeVisitsPerRewriteFileWord = 4 * kNodeVisitsPerFileWord;
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
inline constexpr std::uint64_t kMinNodeVisitsPerRewrite = 4 * kMinNodeVisitsPerMesh;
#else
inline constexpr std::uint64_t kMinNodeVisitsPerRewrite = kMaxNodeVisitsPerRewrite;
#endif

// Error lines of one mesh walk: a damaged real mesh shows a handful, while a node that loops to
// itself would repeat its line at every visit; past the bound one line tells how many were left
// out.
inline constexpr std::uint64_t kMaxErrorLinesPerWalk = 1'000;

// A 3DO file is walked from a copy in memory up to this size (real meshes are a few hundred KiB);
// a larger one is walked from the file itself.
inline constexpr std::uint64_t kMaxMeshBytesInMemory = 64ull * 1024 * 1024;

// Pixels of one image brought back into a texture: 8192 × 8192, far above any texture level, and
// 256 MiB of colours once decoded.
inline constexpr std::uint64_t kMaxImagePixels = 64ull * 1024 * 1024;
// Bytes of decoded rows per byte of a PNG file: deflate never packs more than 1032 bytes into
// one, so an image declaring more than that cannot be held by its file and is refused before
// anything is allocated.
inline constexpr std::uint64_t kImageBytesPerFileByte = 1032;

// DAT archive members have no bound of their own: a member is copied only as far as the archive
// holds its bytes, through one 128 KiB buffer, so a claimed length costs nothing beyond the file.
// All members of one archive together may write this many times its length plus an allowance:
// the game's members lie side by side, so they add up to less than the archive, but 65,535
// entries that all span a whole archive would write 65,535 copies of it. A fuzzing build lowers
// the allowance so that inputs of a few KiB reach the bound.
inline constexpr std::uint64_t kUnpackedBytesPerArchiveByte = 16;
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
inline constexpr std::uint64_t kUnpackedBytesAllowance = 64ull * 1024;
#else
inline constexpr std::uint64_t kUnpackedBytesAllowance = 64ull * 1024 * 1024;
#endif

}  // namespace vexmor::limits
