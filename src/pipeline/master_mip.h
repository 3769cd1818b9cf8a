#pragma once

#include <string>

namespace vexmor {

class RunContext;

// "-compact": writes the all-zero one-level master texture into the output folder.
void writeMasterMip(RunContext& context, std::string source, std::string output);

}  // namespace vexmor
