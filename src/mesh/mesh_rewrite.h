#pragma once

#include <string>

namespace vexmor {

class MeshFile;
class RunContext;
struct SourceCatalogue;

// Reads a mesh's header and name tables into a new MeshRecord of the catalogue.
void analyseMesh(RunContext& context, SourceCatalogue& catalogue, std::string meshName,
                 std::string readFolder, std::string recordFolder);

// Processes one mesh: reports its textures, rewrites its nested meshes first, walks its nodes,
// copies it to the output folder and with "-compact" points its texture names at the master.
void rewriteMesh(RunContext& context, MeshFile& mesh, std::string meshName,
                 std::string sourceFolder, std::string outputFolder, bool topLevel, bool copyOnly);

}  // namespace vexmor
