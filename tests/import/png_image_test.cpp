#include "import/png_image.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/png_builder.h"

namespace vexmor {
namespace {

using test::buildPng;
using test::PngLayout;

PngLayout layoutOf(std::uint32_t width, std::uint32_t height, std::uint8_t depth, std::uint8_t type,
                   std::vector<std::uint8_t> samples) {
    PngLayout shape;
    shape.width = width;
    shape.height = height;
    shape.bitDepth = depth;
    shape.colourType = type;
    shape.samples = std::move(samples);
    return shape;
}

std::vector<std::uint8_t> rgbOf(const PngDecodeResult& result) {
    return result.image ? result.image->rgb : std::vector<std::uint8_t>{};
}

// Every colour type and depth decodes to 8-bit red, green, blue: 16-bit samples keep their
// high byte, alpha is dropped, grey fills all three channels, palette entries are looked up.
TEST(PngImage, EveryColourTypeDecodesToEightBitRgb) {
    const std::vector<std::uint8_t> expected{0x12, 0x34, 0x56, 0xFE, 0x00, 0x80};
    const PngDecodeResult rgb16 = decodePngImage(buildPng(layoutOf(
        2, 1, 16, 2, {0x12, 0xFF, 0x34, 0x00, 0x56, 0x01, 0xFE, 0x80, 0x00, 0xFF, 0x80, 0x7F})));
    EXPECT_EQ(rgbOf(rgb16), expected) << rgb16.failure;
    const PngDecodeResult rgba = decodePngImage(
        buildPng(layoutOf(2, 1, 8, 6, {0x12, 0x34, 0x56, 0x00, 0xFE, 0x00, 0x80, 0x7F})));
    EXPECT_EQ(rgbOf(rgba), expected) << rgba.failure;

    PngLayout indexed = layoutOf(2, 1, 4, 3, {0x10});
    indexed.palette = {0xFE, 0x00, 0x80, 0x12, 0x34, 0x56};
    const PngDecodeResult palette = decodePngImage(buildPng(indexed));
    EXPECT_EQ(rgbOf(palette), expected) << palette.failure;

    const std::vector<std::uint8_t> greys{0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(rgbOf(decodePngImage(buildPng(layoutOf(2, 1, 1, 0, {0x40})))), greys);
    const PngDecodeResult grey16 =
        decodePngImage(buildPng(layoutOf(2, 1, 16, 4, {0x00, 0xFF, 0x12, 0x34, 0xFF, 0x00, 0, 0})));
    EXPECT_EQ(rgbOf(grey16), greys) << grey16.failure;
}

// Files that are not PNG, end early or promise more than they can hold are refused before any
// pixel is decoded, each with its reason.
TEST(PngImage, HostileFilesAreRefusedWithTheirReason) {
    EXPECT_EQ(decodePngImage(std::vector<std::uint8_t>{'B', 'M', 0, 0}).failure,
              "it is not a PNG image");
    const std::vector<std::uint8_t> whole =
        buildPng(layoutOf(4, 4, 8, 2, std::vector<std::uint8_t>(48, 7)));
    ASSERT_TRUE(decodePngImage(whole).image);
    for (const std::size_t keep : {std::size_t{20}, whole.size() - 20, whole.size() - 1}) {
        const std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + keep);
        EXPECT_EQ(decodePngImage(cut).failure, "it is cut short") << keep;
    }

    // A header rewritten to claim 65536 × 65536 pixels, then 4096 × 4096 in a file of a few
    // bytes.
    std::vector<std::uint8_t> huge = whole;
    huge[16] = 0x00, huge[17] = 0x01, huge[18] = 0x00, huge[19] = 0x00;
    huge[20] = 0x00, huge[21] = 0x01, huge[22] = 0x00, huge[23] = 0x00;
    EXPECT_EQ(decodePngImage(huge).failure,
              "its 65536x65536 pixels are more than the 67108864 an image may have");
    std::vector<std::uint8_t> large = whole;
    large[18] = 0x10, large[19] = 0x00;
    large[22] = 0x10, large[23] = 0x00;
    EXPECT_EQ(decodePngImage(large).failure, "it declares 4096x4096 pixels, more than its " +
                                                 std::to_string(whole.size()) + " bytes can hold");

    // Damage inside the pixel data is the decoder's to find; it never yields an image.
    std::vector<std::uint8_t> damaged = whole;
    damaged[45] ^= 0xFF;
    const PngDecodeResult result = decodePngImage(damaged);
    EXPECT_FALSE(result.image);
    EXPECT_EQ(result.failure.rfind("it is damaged (", 0), 0u) << result.failure;
}

}  // namespace
}  // namespace vexmor
