#pragma once

#include <string>
#include <string_view>

namespace vexmor {

class RunContext;

// The file that marks a folder as one the tool made for its output.
inline constexpr std::string_view kOutputMarkerName = ".vexmor-output";

// Makes one folder level for a folder text ending in a separator; a missing parent is reported,
// never created. Never raises: a failure becomes one console line.
void createOutputFolder(RunContext& context, std::string folder);

// Makes every missing level of a folder text ending in a separator, outermost first, one
// createOutputFolder call per level; a folder that exists already needs no call.
void createOutputFolders(RunContext& context, const std::string& folder);

}  // namespace vexmor
