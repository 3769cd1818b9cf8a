#pragma once

namespace vexmor {

class RunContext;

// Fills the context's options from the argument vector as the C runtime passes it (argument 0,
// the program path, is never examined). Never fails; prints at most the "-compact" line, and a
// note on standard error for each argument that it ignores.
void parseCommandLine(RunContext& context, int argc, const char* const argv[]);

}  // namespace vexmor
