#include "mesh/mesh_file.h"

#include "app/run_context.h"
#include "mesh/mesh_file.h"

namespace vexmor {

void MeshFile::walkMeshNodes(RunContext&, std::string) {}

}  // namespace vexmor
