#include "import/index_mapping.h"

#include <gtest/gtest.h>

#include <vector>

namespace vexmor {
namespace {

// Colours as the palettes hold them: 0xAABBGGRR.
constexpr std::uint32_t kRed = 0xFF0000FF;
constexpr std::uint32_t kGreen = 0xFF00FF00;
constexpr std::uint32_t kBlue = 0xFFFF0000;

TEST(IndexMapping, KeepsShownIndicesTakesLowestExactAndCountsNearest) {
    // Indices 1 and 3 share red.
    const std::vector<std::uint32_t> palette{0xFF000000, kRed,       0xFF202020,
                                             kRed,       0xFF000040, kGreen};
    IndexMapping mapping(palette);

    // An unedited pixel keeps its index, even one of two equal colours, whatever the alpha.
    EXPECT_EQ(mapping.map(0x000000FF, kRed, 3).index, 3);
    EXPECT_FALSE(mapping.map(kRed, kRed, 3).approximate);
    // An edit to a palette colour takes its lowest index.
    const IndexMapping::Result red = mapping.map(kRed, kGreen, 5);
    EXPECT_EQ(red.index, 1);
    EXPECT_FALSE(red.approximate);
    // A colour in no palette: the nearest by squared distance, marked approximate.
    const IndexMapping::Result nearGreen = mapping.map(0x0010F010, kBlue, 0);
    EXPECT_EQ(nearGreen.index, 5);
    EXPECT_TRUE(nearGreen.approximate);
    const std::vector<std::uint32_t> tie{0xFFFFFFFF, 0xFF002000, 0xFF200000};
    IndexMapping tied(tie);
    // Green and blue 16 are 256 + 256 from both index 1 (green 32) and index 2 (blue 32).
    const IndexMapping::Result between = tied.map(0x00101000, 0xFF000000, 0);
    EXPECT_EQ(between.index, 1);
    EXPECT_TRUE(between.approximate);
}

}  // namespace
}  // namespace vexmor
