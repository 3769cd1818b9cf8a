#include "mesh/mesh_rewrite.h"

#include "app/run_context.h"
#include "catalogue/source_catalogue.h"
#include "mesh/mesh_file.h"
#include "texture/mip_file.h"

namespace vexmor {

void analyseMesh(RunContext&, SourceCatalogue&, std::string, std::string, std::string) {}

void rewriteMesh(RunContext&, MeshFile&, std::string, std::string, std::string, bool, bool) {}

}  // namespace vexmor
