#pragma once

#include <string>

namespace vexmor {

class RunContext;

// The MI4 pass: lists the texture's levels and with "-explode" writes each as a PNG and a report
// row.
void processMi4File(RunContext& context, std::string rel, std::string source, std::string target);

}  // namespace vexmor
