#include "texture/mi4_conversion.h"

#include "app/run_context.h"
#include "catalogue/source_catalogue.h"
#include "texture/mip_file.h"

namespace vexmor {

void convertMipToMi4(RunContext&, SourceCatalogue&, const MipImage&, std::string, std::string) {}

}  // namespace vexmor
