#include "export/mi4_export.h"

#include "app/run_context.h"

namespace vexmor {

void processMi4File(RunContext&, std::string, std::string, std::string) {}

}  // namespace vexmor
