#pragma once

#include <cstdint>
#include <span>

#include "import/png_image.h"

namespace vexmor::platform {

// The platform's PNG decoder: libpng, or the Windows Imaging Component on Windows. The bytes have
// passed pngHeaderRefusal, so the declared size is bounded; the decoder reports a file that ends
// early as "it is cut short" and any other damage in its own words.
PngDecodeResult decodePngBytes(std::span<const std::uint8_t> bytes);

}  // namespace vexmor::platform
