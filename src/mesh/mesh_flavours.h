#pragma once

#include <cstdint>

// The type word that starts every node of a 3DO node area.
namespace vexmor::flavour {

inline constexpr std::uint32_t kVertex = 0x00000000;
inline constexpr std::uint32_t kPolygon = 0x80000001;
inline constexpr std::uint32_t kTexturedPolygon = 0x80000002;
inline constexpr std::uint32_t kData3 = 0x80000003;
inline constexpr std::uint32_t kTextureSelection = 0x80000004;
inline constexpr std::uint32_t kBranch5 = 0x80000005;
inline constexpr std::uint32_t kBranch6 = 0x80000006;
inline constexpr std::uint32_t kBranch7 = 0x80000007;
inline constexpr std::uint32_t kBranch8 = 0x80000008;
inline constexpr std::uint32_t kBranch9 = 0x80000009;
inline constexpr std::uint32_t kBranchA = 0x8000000A;
inline constexpr std::uint32_t kNodeList = 0x8000000B;
inline constexpr std::uint32_t kChoice = 0x8000000D;
inline constexpr std::uint32_t kDataE = 0x8000000E;
inline constexpr std::uint32_t kNestedMesh = 0x8000000F;
inline constexpr std::uint32_t kListWithChild = 0x80000010;

}  // namespace vexmor::flavour
