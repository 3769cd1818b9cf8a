#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vexmor {

// A decoded image as the import sees it: red, green and blue of every pixel, row after row from
// the top. Whatever the file's colour type and bit depth, each channel is 8 bits (16-bit
// channels keep their high byte); alpha is dropped.
struct PngImage {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint8_t> rgb;  // 3 × width × height

    // Pixel p as 0x00BBGGRR, the colour layout of the palettes without their alpha byte.
    std::uint32_t colourAt(std::size_t p) const {
        return std::uint32_t{rgb[3 * p]} | std::uint32_t{rgb[3 * p + 1]} << 8 |
               std::uint32_t{rgb[3 * p + 2]} << 16;
    }
};

// The image, or the reason it was refused ("it is not a PNG image", "it is cut short", ...).
struct PngDecodeResult {
    std::optional<PngImage> image;
    std::string failure;
};

// The reasons every decoder gives for a file that ends early and for other damage (with the
// decoder's own words).
inline constexpr std::string_view kPngCutShort = "it is cut short";
inline constexpr std::string_view kPngDamaged = "it is damaged ({})";

// What a PNG's header promises, checked before a decoder is given the bytes: the signature, an
// IHDR chunk first, chunks that reach an IEND chunk within the file, at most
// limits::kMaxImagePixels pixels, and rows the file can hold at deflate's best ratio. An empty text
// when the bytes may be decoded.
std::string pngHeaderRefusal(std::span<const std::uint8_t> bytes);

// Decodes a whole PNG file held in memory, bounded by pngHeaderRefusal and by the platform
// decoder's own checks.
PngDecodeResult decodePngImage(std::span<const std::uint8_t> bytes);

}  // namespace vexmor
