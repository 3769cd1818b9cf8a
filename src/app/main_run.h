#pragma once

namespace vexmor {

class RunContext;

// The program's entry: usage, options, catalogue, palette, conversion and statistics. Returns the
// exit code; stages that end the process early throw ProcessExit.
int mainRun(RunContext& context, int argc, const char* const argv[]);

}  // namespace vexmor
