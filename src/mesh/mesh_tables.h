#pragma once

#include <cstdint>
#include <istream>
#include <string>

#include "mesh/mesh_file.h"

// The fixed header and the three name tables at the start of a 3DO file.
namespace vexmor {

// Reads the 20-byte header into a zeroed buffer: a short file yields zeros.
MeshHeader readMeshHeader(std::istream& stream);

// Reads one 8-byte name field; the name ends at the first zero byte or after 8 characters.
std::string readNameField(std::istream& stream);

// The header size the counts give: 20 + 8 × (mipCount + pmpCount + meshCount).
std::int64_t tablesEnd(const MeshHeader& header);

// True when no count is negative and the three tables end within a file of `fileSize` bytes.
bool tablesFitFile(const MeshHeader& header, std::int64_t fileSize);

// The name field that points a texture reference at the master texture.
inline constexpr char kMasterNameField[kMeshNameFieldSize] = {'m', 'a', 's', 't', 'e', 'r', 0, 0};

}  // namespace vexmor
