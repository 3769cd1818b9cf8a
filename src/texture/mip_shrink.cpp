#include "texture/mip_shrink.h"

#include "app/run_context.h"
#include "catalogue/source_catalogue.h"
#include "texture/mip_file.h"

namespace vexmor {

void shrinkMip(RunContext&, SourceCatalogue&, MipImage&, std::string, std::string) {}

void reduceMipLevels(RunContext&, SourceCatalogue&, MipImage&, std::string, std::string) {}

void expandMip(RunContext&, SourceCatalogue&, MipImage&, std::string, std::string) {}

}  // namespace vexmor
