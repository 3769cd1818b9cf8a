#pragma once

#include <string>

namespace vexmor {

class Console;
struct SourceCatalogue;

// Lists every regular file below `folder` into the catalogue, loading a palette file met on the
// way. False when the text is empty or names no existing directory.
bool scanSourceFolder(Console& console, SourceCatalogue& catalogue, std::string folder);

}  // namespace vexmor
