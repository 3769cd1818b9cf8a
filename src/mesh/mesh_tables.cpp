#include "mesh/mesh_tables.h"

#include <array>
#include <cstring>

#include "common/little_endian.h"

namespace vexmor {

MeshHeader readMeshHeader(std::istream& stream) {
    std::array<std::uint8_t, kMeshHeaderSize> bytes{};
    stream.read(reinterpret_cast<char*>(bytes.data()), bytes.size());
    const auto word = [&](std::size_t at) { return static_cast<std::int32_t>(readU32(bytes, at)); };
    return {word(0), word(4), word(8), word(12), word(16)};
}

std::string readNameField(std::istream& stream) {
    std::array<char, kMeshNameFieldSize> field{};
    stream.read(field.data(), field.size());
    return std::string(field.data(), strnlen(field.data(), field.size()));
}

std::int64_t tablesEnd(const MeshHeader& header) {
    const std::int64_t entries = std::int64_t{header.mipCount} + header.pmpCount + header.meshCount;
    return static_cast<std::int64_t>(kMeshHeaderSize) +
           static_cast<std::int64_t>(kMeshNameFieldSize) * entries;
}

bool tablesFitFile(const MeshHeader& header, std::int64_t fileSize) {
    return header.mipCount >= 0 && header.pmpCount >= 0 && header.meshCount >= 0 &&
           tablesEnd(header) <= fileSize;
}

}  // namespace vexmor
