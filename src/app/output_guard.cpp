#include "app/output_guard.h"

#include <utility>

#include "app/run_context.h"

namespace vexmor {
namespace {

constexpr std::string_view kOutsideOutput =
    "Error - refusing to write {} because it lies outside the output folder {}";

}  // namespace

void setOutputRoot(RunContext& context, std::string folderText) {
    context.outputRoot.emplace(std::move(folderText));
}

bool liesInsideOutput(const RunContext& context, std::string_view pathText) {
    return !context.outputRoot || context.outputRoot->holds(pathText);
}

bool mayWriteTo(RunContext& context, std::string_view pathText) {
    if (liesInsideOutput(context, pathText)) {
        return true;
    }
    context.console.printLine(kOutsideOutput, pathText, context.outputRoot->folderText());
    context.writeFailed = true;
    return false;
}

}  // namespace vexmor
