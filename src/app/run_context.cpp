#include "app/run_context.h"

#include "platform/file_system.h"

namespace vexmor {
namespace {

constexpr std::string_view kReportRefused =
    "Error - the report {} is not a regular file; no report is written in this run";

}  // namespace

void openReportFile(RunContext& context) {
    const std::filesystem::path path = platform::reportFilePath();
    if (platform::openReportStream(context.reportFile, path) == platform::ReportOpening::refused) {
        context.console.printLine(kReportRefused, path.string());
    }
}

}  // namespace vexmor
