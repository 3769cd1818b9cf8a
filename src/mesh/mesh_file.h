#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace vexmor {

class RunContext;

// The five header words of a 3DO file, in file order.
struct MeshHeader {
    std::int32_t word0 = 0;
    std::int32_t rootOffset = 0;  // relative to the node area
    std::int32_t mipCount = 0;
    std::int32_t pmpCount = 0;
    std::int32_t meshCount = 0;
};
inline constexpr std::size_t kMeshHeaderSize = 20;
inline constexpr std::size_t kMeshNameFieldSize = 8;

// One 3DO file being processed: its stream and what the rewrite learns about it. The node walk
// is its operation.
class MeshFile {
public:
    std::ifstream stream;
    std::string sourceFile;       // sourceFolder + meshName, lower-case
    std::string meshName;         // below the source folder, lower-case
    std::string destinationFile;  // outputFolder + meshName, lower-case
    std::int64_t headerSize = 0;
    std::vector<std::string> mipPaths;  // lower-case destination path per MIP table entry
    MeshHeader header;
    std::int64_t fileSize = 0;
    std::int32_t walkDepth = 0;
    bool topLevel = false;
    std::int32_t untexturedVertices = 0;
    std::int32_t texturedVertices = 0;
    std::string sourceFolder;  // ends in `\`
    std::string outputFolder;
    std::vector<std::string> nestedMeshes;
    std::string indent;  // three blanks for a nested mesh

    // Walks the node graph breadth first from the root, reporting texture selections against
    // the shrunk textures and counting texture nodes and vertices. Closes the stream. Makes at
    // most `visitAllowance` node visits (fewer when the walk's own bound is lower) and returns
    // how many it made.
    std::uint64_t walkMeshNodes(RunContext& context, std::string meshPath,
                                std::uint64_t visitAllowance = UINT64_MAX);
};

}  // namespace vexmor
