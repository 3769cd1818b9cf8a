#pragma once

#include <string_view>

namespace vexmor {

class RunContext;

// A file that could not be created, written completely, copied or renamed into place: prints
// "Error - could not write {path}: {reason}" and marks the run, which then ends with exit code 4.
void reportWriteFailure(RunContext& context, std::string_view path, std::string_view reason);

}  // namespace vexmor
