#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/png_compression.h"

namespace vexmor::platform {

// The bytes a PNG's image data stream holds before compression: each row of `rows` (height
// rows of rowBytes) behind its filter-type byte, filtered with `filter`. `pixelBytes` is the
// distance to the byte the filters take as the left neighbour (1 for palette rows).
std::vector<std::uint8_t> filterRows(const std::vector<std::uint8_t>& rows, std::size_t rowBytes,
                                     std::size_t height, std::size_t pixelBytes, PngFilter filter);

}  // namespace vexmor::platform
