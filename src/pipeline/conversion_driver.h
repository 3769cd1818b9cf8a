#pragma once

#include <string>

namespace vexmor {

class RunContext;
struct SourceCatalogue;

// Prepares the output folder, writes the report header, runs the MIP pass, the master MIP, the
// MI4 pass and the mesh stage, and prints the conversion summary.
void runConversion(RunContext& context, SourceCatalogue& catalogue, std::string source,
                   std::string output, bool convert, bool firstLevelOnly);

}  // namespace vexmor
