#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/png_backend.h"

namespace vexmor::platform {

// The row filters of PNG (filter method 0); `adaptive` picks one per row, the one whose bytes
// have the smallest sum of magnitudes, read as signed values. The first five are the filter-type
// bytes of the format.
enum class PngFilter { none = 0, sub = 1, up = 2, average = 3, paeth = 4, adaptive = 5 };

// How the encoder compresses: the deflate level (libdeflate's, 1 to 12) and the row filter of
// palette images and of red-green-blue(-alpha) images.
struct PngCompression {
    int level;
    PngFilter paletteFilter;
    PngFilter samplesFilter;
};

// The settings the program writes with.
PngCompression defaultPngCompression();

// encodePngFile with chosen settings, so they can be measured against each other.
PngResult encodePngFileWith(const std::string& fileName, std::uint64_t width, std::uint64_t height,
                            std::span<const std::uint32_t> pixels,
                            const PngCompression& compression);

}  // namespace vexmor::platform
