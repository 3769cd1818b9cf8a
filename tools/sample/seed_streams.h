#pragma once

#include <cstdint>

namespace vexmor::sample {

// Each item draws from its own stream, Random::forItem(seed, stream + index), so that what one
// item looks like does not depend on how many numbers the items before it drew.
inline constexpr std::uint64_t kCarTextureStream = 1ull << 40;
inline constexpr std::uint64_t kCarMeshStream = 2ull << 40;
inline constexpr std::uint64_t kTrackTextureStream = 3ull << 40;
inline constexpr std::uint64_t kTrackMeshStream = 4ull << 40;

}  // namespace vexmor::sample
