#include "export/mip_export.h"

#include "app/run_context.h"
#include "catalogue/source_catalogue.h"
#include "texture/mip_file.h"

namespace vexmor {

void processMipFile(RunContext&, SourceCatalogue&, MipImage&, std::string, bool, std::string,
                    std::string, bool) {}

}  // namespace vexmor
