#include "catalogue/listed_palette.h"

#include "app/console.h"
#include "catalogue/palette_file.h"
#include "catalogue/source_catalogue.h"

namespace vexmor {
namespace {

constexpr std::string_view kPaletteAt = "ICR{} is at index {}";

constexpr std::string_view kSunnyPalette = "sunny.pcx";
constexpr std::string_view kColorsPalette = "colors.pcx";

}  // namespace

bool takeListedPalette(Console& console, SourceCatalogue& catalogue, std::string_view loweredName,
                       std::uint32_t index, const std::string& path, PaletteLine line) {
    if (loweredName != kSunnyPalette && loweredName != kColorsPalette) {
        return false;
    }
    catalogue.paletteFileIndex = index;
    catalogue.icr2Palette = catalogue.icr2Palette || loweredName == kSunnyPalette;
    if (line == PaletteLine::always || console.infoEnabled()) {
        console.printLine(kPaletteAt, catalogue.icr2Palette ? "2 sunny.pcx" : "1 colors.pcx",
                          index);
    }
    loadPalette(console, catalogue, path);
    return true;
}

}  // namespace vexmor
