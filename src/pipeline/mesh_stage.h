#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vexmor {

class RunContext;
struct SourceCatalogue;

// The byte length of each level of each texture after the MIP pass, one element per texture.
using ProcessedMips = std::vector<std::vector<std::uint64_t>>;

// Analyses, lists and rewrites every 3DO file of the catalogue.
void runMeshStage(RunContext& context, SourceCatalogue& catalogue, const std::string& source,
                  const std::string& output, bool convert);

// The closing summary of a driver run.
void printConversionSummary(RunContext& context, const SourceCatalogue& catalogue,
                            const ProcessedMips& processedMips);

}  // namespace vexmor
