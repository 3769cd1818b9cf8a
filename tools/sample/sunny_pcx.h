#pragma once

#include <cstdint>
#include <vector>

#include "support/pcx_builder.h"

namespace vexmor::sample {

// A complete 8-bit PCX image that any viewer opens: a 256 × 256 chart of the palette as 16 × 16
// swatches, run-length encoded, followed by the 256-colour palette block the tool reads.
std::vector<std::uint8_t> buildSunnyPcx(const test::PaletteRgb& palette);

}  // namespace vexmor::sample
