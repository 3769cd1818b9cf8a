#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace vexmor {
class Console;
}

namespace vexmor::platform {

// How one kind of image is compressed: `level` and `strategy` as zlib takes them, `filters` as
// libpng's PNG_FILTER_* mask.
struct PngStreamSettings {
    int level;
    int strategy;
    int filters;
};

// The libpng encoder's settings for palette images and for red-green-blue(-alpha) images, and
// the size of the IDAT chunks written.
struct PngCompression {
    PngStreamSettings palette;
    PngStreamSettings samples;
    std::size_t bufferBytes;
};

// The settings the program writes with.
PngCompression defaultPngCompression();

// encodePngFile with chosen settings, so they can be measured against each other.
bool encodePngFileWith(Console& console, const std::string& fileName, std::uint64_t width,
                       std::uint64_t height, std::span<const std::uint32_t> pixels,
                       const PngCompression& compression);

}  // namespace vexmor::platform
