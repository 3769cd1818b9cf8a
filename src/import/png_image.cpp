#include "import/png_image.h"

#include <algorithm>
#include <array>
#include <string_view>

#include <fmt/format.h>

#include "app/limits.h"
#include "platform/png_decoder.h"

namespace vexmor {
namespace {

constexpr std::array<std::uint8_t, 8> kSignature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::string_view kNotPng = "it is not a PNG image";
constexpr std::string_view kBadHeader = "it is damaged (its header is not valid)";
constexpr std::string_view kTooManyPixels =
    "its {}x{} pixels are more than the {} an image may have";
constexpr std::string_view kBeyondFile =
    "it declares {}x{} pixels, more than its {} bytes can hold";

// Signature, then the IHDR chunk: length 13, type, width, height, bit depth, colour type,
// compression, filter, interlace.
constexpr std::size_t kHeaderEnd = 8 + 8 + 13;

std::uint32_t bigEndianAt(std::span<const std::uint8_t> bytes, std::size_t at) {
    return std::uint32_t{bytes[at]} << 24 | std::uint32_t{bytes[at + 1]} << 16 |
           std::uint32_t{bytes[at + 2]} << 8 | bytes[at + 3];
}

// Samples a pixel of each colour type holds; 0 for a type PNG does not define.
std::uint32_t samplesOf(std::uint8_t colourType) {
    switch (colourType) {
        case 0:
        case 3:
            return 1;
        case 2:
            return 3;
        case 4:
            return 2;
        case 6:
            return 4;
        default:
            return 0;
    }
}

// True when the chunks, each 12 bytes around its data, lead to an IEND chunk inside the file.
bool reachesEnd(std::span<const std::uint8_t> bytes) {
    std::uint64_t at = 8;
    while (at + 12 <= bytes.size()) {
        const std::uint64_t length = bigEndianAt(bytes, static_cast<std::size_t>(at));
        const std::string_view type(reinterpret_cast<const char*>(bytes.data()) + at + 4, 4);
        at += 12 + length;
        if (type == "IEND") {
            return at <= bytes.size();
        }
    }
    return false;
}

}  // namespace

std::string pngHeaderRefusal(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kSignature.size() ||
        !std::equal(kSignature.begin(), kSignature.end(), bytes.begin())) {
        return std::string(kNotPng);
    }
    if (bytes.size() < kHeaderEnd) {
        return std::string(kPngCutShort);
    }
    const std::string_view type(reinterpret_cast<const char*>(bytes.data()) + 12, 4);
    const std::uint32_t width = bigEndianAt(bytes, 16);
    const std::uint32_t height = bigEndianAt(bytes, 20);
    const std::uint32_t samples = samplesOf(bytes[25]);
    const std::uint32_t depth = bytes[24];
    if (bigEndianAt(bytes, 8) != 13 || type != "IHDR" || width == 0 || height == 0 ||
        samples == 0 || depth == 0 || depth > 16) {
        return std::string(kBadHeader);
    }
    if (!reachesEnd(bytes)) {
        return std::string(kPngCutShort);
    }
    const std::uint64_t pixels = std::uint64_t{width} * height;
    if (pixels > limits::kMaxImagePixels) {
        return fmt::format(kTooManyPixels, width, height, limits::kMaxImagePixels);
    }
    const std::uint64_t rowBytes = (std::uint64_t{width} * samples * depth + 7) / 8;
    if (rowBytes * height > limits::kImageBytesPerFileByte * bytes.size()) {
        return fmt::format(kBeyondFile, width, height, bytes.size());
    }
    return {};
}

PngDecodeResult decodePngImage(std::span<const std::uint8_t> bytes) {
    std::string refusal = pngHeaderRefusal(bytes);
    if (!refusal.empty()) {
        return {std::nullopt, std::move(refusal)};
    }
    return platform::decodePngBytes(bytes);
}

}  // namespace vexmor
