#include "pipeline/mesh_stage.h"

#include "app/run_context.h"
#include "catalogue/source_catalogue.h"
#include "texture/mip_file.h"

namespace vexmor {

void runMeshStage(RunContext&, SourceCatalogue&, const std::string&, const std::string&, bool) {}

void printConversionSummary(RunContext&, const SourceCatalogue&, const ProcessedMips&) {}

}  // namespace vexmor
