#include "app/write_failure.h"

#include "app/run_context.h"

namespace vexmor {
namespace {

constexpr std::string_view kCouldNotWrite = "Error - could not write {}: {}";

}  // namespace

void reportWriteFailure(RunContext& context, std::string_view path, std::string_view reason) {
    context.console.printLine(kCouldNotWrite, path, reason);
    context.writeFailed = true;
}

}  // namespace vexmor
