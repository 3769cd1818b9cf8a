#pragma once

#include <string>

namespace vexmor {

class RunContext;
struct SourceCatalogue;

// Reads the 256-colour block at the end of a PCX file into the catalogue, replacing any palette
// loaded before. Failures print one line and leave the palette as it was.
void loadPalette(RunContext& context, SourceCatalogue& catalogue, std::string pcxPath);

}  // namespace vexmor
