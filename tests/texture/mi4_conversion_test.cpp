#include "texture/mi4_conversion.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/source_catalogue.h"
#include "common/little_endian.h"
#include "support/byte_writer.h"
#include "support/captured_run.h"
#include "support/mi4_builder.h"
#include "support/temp_dir.h"
#include "texture/mi4_file.h"

namespace vexmor {
namespace {

using test::ByteWriter;
using test::CapturedRun;
using test::hasLine;
using test::makeMipImage;
using test::MipSpec;
using test::readFile;
using test::TempDir;

void setColour(SourceCatalogue& catalogue, std::size_t index, std::uint8_t r, std::uint8_t g,
               std::uint8_t b) {
    catalogue.paletteRgb[3 * index] = r;
    catalogue.paletteRgb[3 * index + 1] = g;
    catalogue.paletteRgb[3 * index + 2] = b;
}

MipSpec mipSpec(std::uint32_t width, std::uint32_t heightMinus2, std::uint32_t numMips) {
    MipSpec shape;
    shape.width = width;
    shape.heightMinus2 = heightMinus2;
    shape.numMips = numMips;
    return shape;
}

class Mi4ConversionTest : public ::testing::Test {
protected:
    std::string pathOf(const std::string& name) const { return (dir / name).string(); }

    // Converts and returns the MI4 file written for `name`.
    std::vector<std::uint8_t> convert(const MipImage& image, const std::string& name) {
        convertMipToMi4(run.context, catalogue, image, pathOf(name), name);
        return readFile(mi4PathFor(pathOf(name)));
    }

    CapturedRun run;
    SourceCatalogue catalogue;
    TempDir dir;
};

// Red, green, then blue 8, 16, ... so that every slot's colour is known in advance.
void useExamplePalette(SourceCatalogue& catalogue) {
    setColour(catalogue, 0, 0xF8, 0, 0);
    setColour(catalogue, 1, 0, 0xFC, 0);
    for (std::size_t i = 2; i <= 32; ++i) {
        setColour(catalogue, i, 0, 0, static_cast<std::uint8_t>(8 * (i - 1)));
    }
}

void appendExamplePalette(ByteWriter& out, std::uint16_t first, std::uint16_t second) {
    out.u16(first).u16(second);
    for (std::uint16_t s = 2; s < 16; ++s) {
        out.u16(static_cast<std::uint16_t>(s - 1));
    }
}

TEST_F(Mi4ConversionTest, TwoLevelTextureIsWrittenByteForByte) {
    useExamplePalette(catalogue);
    MipSpec shape = mipSpec(32, 32, 2);
    shape.defaultColour = 0xDEADBEEF;
    // Level 0 a chequer of red and green (equal counts); level 1 mostly green.
    shape.pixel = [](std::uint32_t level, std::uint32_t x, std::uint32_t y) -> std::uint8_t {
        return level == 0 ? (x + y) % 2 : (x == 0 ? 0 : 1);
    };
    const MipImage image = makeMipImage(shape);
    const std::vector<std::uint8_t> written = convert(image, "Wall.MIP");

    ByteWriter expected;
    expected.u32(796).u32(0).u32(32).u32(34).u32(2).u32(0xDEADBEEF);
    expected.u32(3).u32(63).u32(44).u32(1).u32(31).u32(620);
    for (int y = 0; y < 34; ++y) {
        expected.fill(16, y % 2 == 0 ? 0x01 : 0x10);
    }
    appendExamplePalette(expected, 0xF800, 0x07E0);
    for (int y = 0; y < 18; ++y) {
        expected.u8(0x10).fill(7, 0x00);
    }
    appendExamplePalette(expected, 0x07E0, 0xF800);
    ASSERT_EQ(expected.size(), 800u);
    EXPECT_EQ(written, expected.data());

    const std::string mi4 = pathOf("Wall.mi4");
    EXPECT_EQ(run.lines(),
              (std::vector<std::string>{
                  "Saving " + pathOf("Wall.MIP") + " with conversion",
                  "MIP basefilename " + pathOf("Wall.MIP"),
                  "Base filename is wall.mip",
                  "Miplevel 3, Width 32, Height 34, image size 544, Offset 48, mip "
                  "height 34, mipLevelmagic 63",
                  "Miplevel 1, Width 16, Height 18, image size 144, Offset 624, mip "
                  "height 34, mipLevelmagic 31",
                  "File size is 796",
                  "MI4 " + mi4 + ": new (MI4) file size 796 (bytes), MIP file size 1420 (bytes)",
              }));
    EXPECT_EQ(run.context.shrunkMips, (std::set<std::string>{"wall.mip"}));
}

TEST_F(Mi4ConversionTest, DetailLineNamesTheTextureAndItsSize) {
    run.context.options.info = true;
    convert(makeMipImage(mipSpec(8, 4, 1)), "t.mip");
    const auto lines = run.lines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[3], "Converting MIP " + pathOf("t.mip") + ":8x6 to Mi4");
}

TEST_F(Mi4ConversionTest, RecordsFollowTheLevelSizes) {
    const std::vector<std::uint8_t> file = convert(makeMipImage(mipSpec(256, 256, 4)), "big.mip");
    ASSERT_EQ(file.size(), 44200u);
    EXPECT_EQ(readU32(file, 0), 44196u);
    EXPECT_EQ(readU32(file, 12), 258u);
    const std::uint32_t internal[] = {15, 7, 3, 1};
    const std::uint32_t magic[] = {511, 255, 127, 63};
    const std::uint32_t offset[] = {68, 33124, 41476, 43620};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(readU32(file, 24 + 12 * i), internal[i]) << i;
        EXPECT_EQ(readU32(file, 28 + 12 * i), magic[i]) << i;
        EXPECT_EQ(readU32(file, 32 + 12 * i), offset[i]) << i;
    }
}

TEST_F(Mi4ConversionTest, MagicCoversTheLevelHeight) {
    EXPECT_EQ(mi4LevelMagic(258), 511u);
    EXPECT_EQ(mi4LevelMagic(256), 255u);
    EXPECT_EQ(mi4LevelMagic(130), 255u);
    EXPECT_EQ(mi4LevelMagic(3), 3u);
    EXPECT_EQ(mi4LevelMagic(2), 1u);
    EXPECT_EQ(mi4LevelMagic(0x80000001u), 0xFFFFFFFFu);
}

TEST_F(Mi4ConversionTest, OddLevelIsRoundedUpSoOffsetsAgreeWithTheBytes) {
    for (std::size_t i = 0; i < 32; ++i) {
        setColour(catalogue, i, static_cast<std::uint8_t>(8 * i), 0, 0);
    }
    // Levels of 4 × 15, 2 × 8 and 1 × 5 pixels; the last has four of index 5, then one of 6.
    MipSpec shape = mipSpec(4, 13, 3);
    shape.pixel = [](std::uint32_t level, std::uint32_t, std::uint32_t y) -> std::uint8_t {
        return level < 2 ? 9 : (y < 4 ? 5 : 6);
    };
    const std::vector<std::uint8_t> file = convert(makeMipImage(shape), "odd.mip");
    ASSERT_EQ(file.size(), 197u);
    EXPECT_EQ(readU32(file, 0), 193u);
    EXPECT_EQ(readU32(file, 32), 56u);
    EXPECT_EQ(readU32(file, 44), 118u);
    EXPECT_EQ(readU32(file, 56), 158u);
    EXPECT_TRUE(hasLine(run.lines(),
                        "Miplevel 1, Width 1, Height 5, image size 3, Offset 162, mip "
                        "height 15, mipLevelmagic 7"));
    // The last level's three pixel bytes, the odd pixel alone in the high nibble, then its
    // palette, which is exactly the file's last 32 bytes.
    EXPECT_EQ(file[162], 0x00);
    EXPECT_EQ(file[163], 0x00);
    EXPECT_EQ(file[164], 0x10);
    EXPECT_EQ(readU16(file, 165), 5 << 11);
    EXPECT_EQ(readU16(file, 167), 6 << 11);
    // Level 1's palette sits just before level 2's pixels.
    EXPECT_EQ(readU16(file, 162 - 32), 9 << 11);
}

TEST_F(Mi4ConversionTest, WithoutAPaletteEveryPixelAndSlotIsZero) {
    const std::vector<std::uint8_t> file = convert(makeMipImage(mipSpec(16, 14, 1)), "plain.mip");
    ASSERT_EQ(file.size(), 24u + 12 + 128 + 32);
    for (std::size_t i = 36; i < file.size(); ++i) {
        EXPECT_EQ(file[i], 0) << i;
    }
}

TEST_F(Mi4ConversionTest, OneColourPaletteLeavesTheOtherSlotsZero) {
    for (std::size_t i = 0; i < 256; ++i) {
        setColour(catalogue, i, 200, 100, 50);
    }
    const std::vector<std::uint8_t> file = convert(makeMipImage(mipSpec(4, 0, 1)), "one.mip");
    ASSERT_EQ(file.size(), 24u + 12 + 4 + 32);
    EXPECT_EQ(readU16(file, 40), (200 >> 3) << 11 | (100 >> 2) << 5 | 50 >> 3);
    for (std::size_t i = 42; i < file.size(); ++i) {
        EXPECT_EQ(file[i], 0) << i;
    }
}

TEST_F(Mi4ConversionTest, TextureWithoutLevelsIsJustTheHeader) {
    const std::vector<std::uint8_t> file = convert(makeMipImage(mipSpec(16, 16, 0)), "empty.mip");
    ASSERT_EQ(file.size(), 24u);
    EXPECT_EQ(readU32(file, 0), 20u);
}

TEST_F(Mi4ConversionTest, PathReplacesTheLastFourCharacters) {
    EXPECT_EQ(mi4PathFor("c:\\out\\wall.mip"), "c:\\out\\wall.mi4");
    EXPECT_EQ(mi4PathFor("x.MIP"), "x.mi4");
    EXPECT_EQ(mi4PathFor("tex.mipx"), "tex..mi4");
    EXPECT_EQ(mi4PathFor("abcd"), ".mi4");
    EXPECT_EQ(mi4PathFor("abc"), "abc.mi4");
    EXPECT_EQ(mi4PathFor(""), ".mi4");

    convert(makeMipImage(mipSpec(2, 0, 1)), "tex.mipx");
    EXPECT_EQ(test::listFiles(dir.path()), (std::vector<std::string>{"tex..mi4"}));
}

TEST_F(Mi4ConversionTest, TriggeredOnlyForTheExactCaseName) {
    const MipImage image = makeMipImage(mipSpec(2, 0, 1));
    convert(image, "GRSTCR1.MIP");
    EXPECT_FALSE(hasLine(run.lines(), "Triggered"));
    convert(image, "grstcr1.mip");
    EXPECT_TRUE(hasLine(run.lines(), "Triggered"));
    EXPECT_EQ(run.context.shrunkMips, (std::set<std::string>{"grstcr1.mip"}));
}

// A file that could not be written is reported and never announced with its new size.
TEST_F(Mi4ConversionTest, UnwritablePathIsReportedAndWritesNothing) {
    const std::string path = pathOf("missing") + "\\Road.mip";
    convertMipToMi4(run.context, catalogue, makeMipImage(mipSpec(2, 0, 1)), path, "Road.mip");
    const auto lines = run.lines();
    EXPECT_NE(run.output().find("Error - could not write " + pathOf("missing") + "\\Road.mi4: "),
              std::string::npos)
        << run.output();
    EXPECT_TRUE(run.context.writeFailed);
    EXPECT_EQ(run.output().find("new (MI4) file size"), std::string::npos);
    EXPECT_TRUE(hasLine(lines, "Base filename is road.mip"));
    EXPECT_TRUE(hasLine(lines, "File size is 66"));
    EXPECT_TRUE(test::listFiles(dir.path()).empty());
}

}  // namespace
}  // namespace vexmor
