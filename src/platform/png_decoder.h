#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vexmor::platform {

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

// The platform's PNG decoder: libpng, or the Windows Imaging Component on Windows. The bytes have
// passed pngHeaderRefusal, so the declared size is bounded; the decoder reports a file that ends
// early as "it is cut short" and any other damage in its own words.
PngDecodeResult decodePngBytes(std::span<const std::uint8_t> bytes);

}  // namespace vexmor::platform
