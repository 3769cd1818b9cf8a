#include "support/pcx_builder.h"

namespace vexmor::test {

PaletteRgb gradientPalette() {
    PaletteRgb palette{};
    for (std::size_t i = 0; i < 256; ++i) {
        palette[3 * i] = static_cast<std::uint8_t>(i);
        palette[3 * i + 1] = static_cast<std::uint8_t>(255 - i);
        palette[3 * i + 2] = static_cast<std::uint8_t>(i * 7);
    }
    return palette;
}

std::vector<std::uint8_t> buildPcx(const PaletteRgb& palette, std::size_t headerBytes) {
    std::vector<std::uint8_t> bytes(headerBytes, 0x0A);
    bytes.push_back(0x0C);
    bytes.insert(bytes.end(), palette.begin(), palette.end());
    return bytes;
}

std::uint32_t paletteColour(const PaletteRgb& palette, std::size_t index) {
    return 0xFF000000u | std::uint32_t{palette[3 * index + 2]} << 16 |
           std::uint32_t{palette[3 * index + 1]} << 8 | palette[3 * index];
}

}  // namespace vexmor::test
