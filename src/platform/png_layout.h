#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vexmor::platform {

// How an image is stored in a PNG: palette indices when it has few colours, else samples.
enum class PngColourForm { palette4, palette8, rgb, rgba };

// An image as the rows a PNG file holds, filter bytes not included.
struct PngLayout {
    PngColourForm form = PngColourForm::rgba;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint32_t> palette;  // 0xAABBGGRR, in the order first met; palette forms only
    bool paletteHasAlpha = false;        // some palette entry is not fully opaque
    std::size_t rowBytes = 0;
    std::vector<std::uint8_t> rows;  // height × rowBytes
};

// Lays out width × height pixels of the form 0xAABBGGRR; `pixels` holds at least that many.
// Up to 16 distinct colours give 4-bit indices, up to 256 8-bit indices; more give RGB when
// every pixel is opaque and RGBA otherwise.
PngLayout layOutPng(std::uint32_t width, std::uint32_t height,
                    std::span<const std::uint32_t> pixels);

// The same layout for the pixels width × height palette indices show: `palette[i]` for index i,
// 0 for an index past the palette's end. Never samples, as 256 indices show at most 256 colours.
PngLayout layOutIndexedPng(std::uint32_t width, std::uint32_t height,
                           std::span<const std::uint8_t> indices,
                           std::span<const std::uint32_t> palette);

}  // namespace vexmor::platform
