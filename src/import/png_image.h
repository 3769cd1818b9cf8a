#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/png_decoder.h"

namespace vexmor {

// The decoded image and the decoders' reasons, as the platform's decoder gives them.
using platform::kPngCutShort;
using platform::kPngDamaged;
using platform::PngDecodeResult;
using platform::PngImage;

// What a PNG's header promises, checked before a decoder is given the bytes: the signature, an
// IHDR chunk first, chunks that reach an IEND chunk within the file, at most
// limits::kMaxImagePixels pixels, and rows the file can hold at deflate's best ratio. An empty text
// when the bytes may be decoded.
std::string pngHeaderRefusal(std::span<const std::uint8_t> bytes);

// Decodes a whole PNG file held in memory, bounded by pngHeaderRefusal and by the platform
// decoder's own checks.
PngDecodeResult decodePngImage(std::span<const std::uint8_t> bytes);

}  // namespace vexmor
