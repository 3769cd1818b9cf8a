#include "texture/mip_file.h"

#include "app/run_context.h"

namespace vexmor {

void readMip(RunContext&, MipImage&, std::string, bool) {}

void writeMip(RunContext&, MipImage&, std::string) {}

}  // namespace vexmor
