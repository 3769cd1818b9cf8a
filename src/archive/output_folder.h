#pragma once

#include <string>
#include <string_view>

namespace vexmor {

class Console;
class RunContext;

// The file that marks a folder as one the tool made for its output.
inline constexpr std::string_view kOutputMarkerName = ".vexmor-output";

// Makes one folder level for a folder text ending in a separator; a missing parent is reported,
// never created. Never raises: a failure becomes one console line.
void createOutputFolder(Console& console, std::string folder);

// Makes every missing level of a folder text ending in a separator, outermost first, one
// createOutputFolder call per level; a folder that exists already needs no call. True when the
// folder was found in place: a caller writing several files into it need not ask again.
bool createOutputFolders(RunContext& context, const std::string& folder);

// What a run does with its output folder: the conversion driver replaces what an earlier run
// wrote there; unpacking adds the archive's members to what is there.
enum class OutputUse { replace, unpack };

// Takes `folder` (a folder text ending in a separator) as this run's output. A link there is
// refused, and so, when replacing, is a folder holding entries without the output marker: one
// line and exit code 3, before anything is removed or written. A missing folder is made (every
// level when replacing, one when unpacking); a folder that is then empty or marked gets the
// marker, whose exclusive lock the context holds to the run's end (another run holding it: one
// line and exit code 3), and when replacing is emptied of everything but the marker. Unpacking
// into a folder of other files neither marks nor locks it: marking would hand those files to a
// later run's removal.
void claimOutputFolder(RunContext& context, const std::string& folder, OutputUse use);

}  // namespace vexmor
