#pragma once

#include <string>

namespace vexmor {

class Console;
struct SourceCatalogue;

// Reads the 256-colour block at the end of a PCX file into the catalogue, replacing any palette
// loaded before. Failures print one line and leave the palette as it was.
void loadPalette(Console& console, SourceCatalogue& catalogue, std::string pcxPath);

}  // namespace vexmor
