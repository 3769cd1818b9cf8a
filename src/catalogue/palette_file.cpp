#include "catalogue/palette_file.h"

#include <array>
#include <fstream>

#include "app/console.h"
#include "catalogue/source_catalogue.h"
#include "platform/file_system.h"

namespace vexmor {
namespace {

constexpr std::string_view kCouldNotRead = "Could not read palette from {}";
constexpr std::string_view kNoMarker = "Palette file {} is missing a palette marker 0x0C";
constexpr std::string_view kColour = "Colour {} is {:08X}";

// The palette block at the end of a PCX file: the marker byte, then 256 red-green-blue triples.
constexpr std::streamoff kBlockSize = 769;
constexpr char kMarker = 0x0C;

}  // namespace

void loadPalette(Console& console, SourceCatalogue& catalogue, std::string pcxPath) {
    std::ifstream in = platform::openForReading(pcxPath);
    if (!in.is_open()) {
        console.printLine(kCouldNotRead, pcxPath);
        return;
    }
    char marker = 0;
    in.seekg(-kBlockSize, std::ios::end);
    if (!in.get(marker)) {
        marker = 0;
    }
    if (marker != kMarker) {
        console.printLine(kNoMarker, pcxPath);
        return;
    }
    std::array<std::uint8_t, 768> rgb{};
    in.read(reinterpret_cast<char*>(rgb.data()), static_cast<std::streamsize>(rgb.size()));

    catalogue.paletteRgb = rgb;
    catalogue.paletteLoaded = true;
    catalogue.paletteColours.clear();
    catalogue.paletteColours.reserve(256);
    for (std::uint32_t i = 0; i < 256; ++i) {
        const std::uint32_t colour = 0xFF000000u + (std::uint32_t{rgb[3 * i + 2]} << 16) +
                                     (std::uint32_t{rgb[3 * i + 1]} << 8) + rgb[3 * i];
        catalogue.paletteColours.push_back(colour);
        console.printInfoLine(kColour, i, colour);
    }
}

}  // namespace vexmor
