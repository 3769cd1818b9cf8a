#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vexmor {

class Console;
struct SourceCatalogue;

// Where the line naming a palette file appears: a folder scan always prints it, an archive's
// listing only with "-info".
enum class PaletteLine { always, withInfo };

// A listing (a folder scan or an unpacked archive) met a file named `loweredName` at `index`.
// When that is a game palette, sunny.pcx (ICR2) or colors.pcx (ICR1), records the index, prints
// which one it is and loads its palette from `path`; false for any other name. Once a sunny.pcx
// was met the line names the second generation, whatever comes after.
bool takeListedPalette(Console& console, SourceCatalogue& catalogue, std::string_view loweredName,
                       std::uint32_t index, const std::string& path, PaletteLine line);

}  // namespace vexmor
