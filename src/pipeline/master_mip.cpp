#include "pipeline/master_mip.h"

#include "app/run_context.h"

namespace vexmor {

void writeMasterMip(RunContext&, std::string, std::string) {}

}  // namespace vexmor
