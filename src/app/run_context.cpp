#include "app/run_context.h"

#include "platform/file_system.h"

namespace vexmor {

void openReportFile(RunContext& context) {
    context.reportFile.open(platform::reportFilePath(), std::ios::out | std::ios::trunc);
}

}  // namespace vexmor
