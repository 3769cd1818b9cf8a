#pragma once

#include <string>
#include <string_view>

namespace vexmor {

class RunContext;

// A second line of defence behind the checks on names: every path a run writes, copies to or
// deletes must lie inside the folder the run writes into, once resolved the way the tool
// resolves paths (without regard to case on Linux, `..` components and links seen through).

// Names the folder the run writes into (the output folder, or for -unpack the extraction
// folder); an empty text is the current folder.
void setOutputRoot(RunContext& context, std::string folderText);

// True when `pathText` lies inside the run's output folder, or when no stage has named one (a
// stage used on its own). Prints nothing: for folders made on the way to a file.
bool liesInsideOutput(const RunContext& context, std::string_view pathText);

// True when the run may write, copy to or delete `pathText`; otherwise prints one line naming it,
// marks the run as failed to write, and returns false.
bool mayWriteTo(RunContext& context, std::string_view pathText);

}  // namespace vexmor
