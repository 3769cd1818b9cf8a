#include "texture/mip_shrink.h"

#include <gtest/gtest.h>

#include <functional>

#include "app/process_exit.h"
#include "catalogue/source_catalogue.h"
#include "common/little_endian.h"
#include "common/text.h"
#include "support/byte_writer.h"
#include "support/captured_run.h"
#include "support/mip_builder.h"
#include "support/temp_dir.h"
#include "texture/mip_file.h"

namespace vexmor {
namespace {

using test::buildMip;
using test::CapturedRun;
using test::hasLine;
using test::mipLevelPixels;
using test::mipSpec;
using test::MipSpec;
using test::readFile;
using test::TempDir;
using test::writeFile;

// Pixels of a level with only every `step`-th pixel of each row kept, from the left.
std::vector<std::uint8_t> everyNth(const MipSpec& shape, std::uint32_t level, std::uint32_t step) {
    const std::vector<std::uint8_t> pixels = mipLevelPixels(shape, level);
    const std::uint32_t width = shape.width >> level;
    std::vector<std::uint8_t> kept;
    for (std::size_t at = 0; at < pixels.size(); at += step) {
        if (at % width < width / step * step) {
            kept.push_back(pixels[at]);
        }
    }
    return kept;
}

class MipShrinkTest : public ::testing::Test {
protected:
    // Writes the texture as the driver's copy and reads it with pixels, as the MIP pass does.
    MipImage place(const MipSpec& shape, const std::string& name = "Car1.MIP") {
        return place(buildMip(shape), name);
    }
    MipImage place(const std::vector<std::uint8_t>& bytes, const std::string& name = "Car1.MIP") {
        path = (dir / name).string();
        writeFile(path, bytes);
        MipImage image;
        readMip(run.context.console, image, path, true);
        return image;
    }

    void shrink(MipImage& image) { shrinkMip(run.context, catalogue, image, path, "Car1.MIP"); }

    // Reads the written file back, checking that its layout follows its own header: every level
    // holds the header geometry's bytes, contiguous, with offsets by the rule.
    MipImage readBack() {
        MipImage back;
        readMip(run.context.console, back, path, true);
        const std::vector<std::uint8_t> bytes = readFile(path);
        std::uint64_t position = 24 + 12 * back.levelRecords.size();
        for (std::size_t i = 0; i < back.levelRecords.size(); ++i) {
            const MipLevelRecord& record = back.levelRecords[i];
            EXPECT_EQ(record.offset, record.mipLevelInternal + position - 3) << "level " << i;
            position += levelByteCount(back.header, i);
        }
        EXPECT_EQ(bytes.size(), position);
        EXPECT_EQ(back.header.size + 4, position);
        EXPECT_EQ(back.header.numMips, back.levelRecords.size());
        return back;
    }

    std::string key() const { return toLowerAscii(path); }

    TempDir dir;
    CapturedRun run;
    SourceCatalogue catalogue;
    std::string path;
};

TEST_F(MipShrinkTest, CarTextureKeepsTheLeftPixelOfEachPair) {
    const MipSpec shape = mipSpec(256, 256, 4);
    MipImage image = place(shape);
    catalogue.oversizeMipSeen = true;
    run.context.options.info = true;
    shrink(image);

    const std::vector<std::string> lines = run.lines();
    for (const std::string& line :
         {"Setting scaling factor for " + path + " to be 2",
          "Setting scaling factor Y for " + path + " to be 1",
          "Saving " + path + " with conversion (256x258)", "MIP basefilename " + path,
          "Converting " + path + ":128x258",
          std::string("Target res 128x258, mip size 66048, calculated size 33024, shrunk size "
                      "33024"),
          "MIP " + path + ":0 (256x258), original size 66048, new size 33024 (128x258)",
          "Converting " + path + ":64x131",
          std::string("Target res 64x131, mip size 16640, calculated size 8384, shrunk size 8320"),
          "MIP " + path + ":1 (128x129), original size 16640, new size 8320 (64x129)"}) {
        EXPECT_TRUE(hasLine(lines, line)) << line;
    }
    EXPECT_EQ(run.context.mipScaleX.at(key()), 2);
    EXPECT_EQ(run.context.mipScaleY.at(key()), 1);
    EXPECT_TRUE(run.context.shrunkMips.contains(key()));
    EXPECT_TRUE(catalogue.mips.at(path).shrunk);

    const MipImage back = readBack();
    EXPECT_EQ(back.width, 128u);
    EXPECT_EQ(back.header.heightMinus2, 256u);
    ASSERT_EQ(back.levels.size(), 4u);
    const std::size_t sizes[] = {128 * 258, 64 * 130, 32 * 66, 16 * 34};
    for (std::uint32_t i = 0; i < 4; ++i) {
        EXPECT_EQ(back.levels[i].size(), sizes[i]);
        EXPECT_EQ(back.levels[i], everyNth(shape, i, 2)) << "level " << i;
    }
}

TEST_F(MipShrinkTest, TextureWithinTheLimitIsLeftUnlessAnOversizeOneWasSeen) {
    const std::vector<std::uint8_t> bytes = buildMip(mipSpec(128, 30, 3));
    MipImage image = place(bytes);
    shrink(image);
    EXPECT_EQ(run.lines(),
              (std::vector<std::string>{"Setting scaling factor for " + path + " to be 1",
                                        "Setting scaling factor Y for " + path + " to be 1",
                                        "Saving " + path + " without conversion"}));
    EXPECT_EQ(run.context.mipScaleX.at(key()), 1);
    EXPECT_EQ(run.context.mipScaleY.at(key()), 1);
    EXPECT_TRUE(run.context.shrunkMips.empty());
    EXPECT_EQ(readFile(path), bytes);

    catalogue.oversizeMipSeen = true;
    image = place(bytes);
    shrink(image);
    EXPECT_TRUE(run.context.shrunkMips.contains(key()));
    EXPECT_EQ(readFile(path), bytes);
}

TEST_F(MipShrinkTest, WidthJustOverTheLimitConvertsWithFactorOne) {
    const std::vector<std::uint8_t> bytes = buildMip(mipSpec(200, 30, 3));
    MipImage image = place(bytes);
    catalogue.oversizeMipSeen = true;  // 200 > 128, as the MIP pass records
    shrink(image);
    EXPECT_EQ(run.context.mipScaleX.at(key()), 1);
    EXPECT_TRUE(hasLine(run.lines(), "Saving " + path + " with conversion (200x32)"));
    EXPECT_EQ(readFile(path), bytes);
}

TEST_F(MipShrinkTest, LevelsThatWouldBeNarrowerThanTwoAreDropped) {
    const MipSpec shape = mipSpec(512, 6, 8);  // widths 512 down to 4
    MipImage image = place(shape);
    catalogue.oversizeMipSeen = true;
    shrink(image);
    EXPECT_EQ(run.context.mipScaleX.at(key()), 4);
    const MipImage back = readBack();
    EXPECT_EQ(back.width, 128u);
    ASSERT_EQ(back.levels.size(), 7u);
    EXPECT_EQ(back.levelRecords[0].mipLevelInternal, 255u);
    EXPECT_EQ(back.levelRecords[6].mipLevelInternal, 3u);
    EXPECT_EQ(back.levels[6], everyNth(shape, 6, 4));  // 8 wide becomes 2
}

TEST_F(MipShrinkTest, OddLevelWidthsStillKeepWholeRows) {
    const MipSpec shape = mipSpec(300, 6, 3);  // level 2 is 75 wide: 37 pixels kept per row
    MipImage image = place(shape);
    catalogue.oversizeMipSeen = true;
    shrink(image);
    const MipImage back = readBack();
    ASSERT_EQ(back.levels.size(), 3u);
    ASSERT_EQ(back.levels[2].size(), 37u * 3);
    const std::vector<std::uint8_t> source = mipLevelPixels(shape, 2);
    EXPECT_EQ(back.levels[2][37], source[75]);  // row 1 starts at its own left pixel
    EXPECT_EQ(back.levels[2][36], source[72]);
}

TEST_F(MipShrinkTest, TextureNarrowerThanTwoAtLevelZeroEndsTheRun) {
    const std::vector<std::uint8_t> bytes = buildMip(mipSpec(2, 2, 1));
    MipImage image = place(bytes);
    catalogue.oversizeMipSeen = true;
    run.context.options.widthLimit = 1;
    int code = 0;
    try {
        shrink(image);
    } catch (const ProcessExit& exit) {
        code = exit.code;
    }
    EXPECT_EQ(code, 10);
    EXPECT_EQ(run.lines().back(),
              "Error mip dimension for " + path + "(2x4) shrinking to 1x4 at mip level 0");
    EXPECT_EQ(readFile(path), bytes);
}

TEST_F(MipShrinkTest, VerticalShrinkKeepsRowsTheHeaderDescribes) {
    MipSpec shape = mipSpec(256, 256, 4);
    shape.pixel = [](std::uint32_t, std::uint32_t x, std::uint32_t y) {
        return static_cast<std::uint8_t>(y + 7 * x);
    };
    MipImage image = place(shape);
    catalogue.oversizeMipSeen = true;
    run.context.options.heightLimit = 64;
    run.context.options.info = true;
    shrink(image);

    // 258 over 64 gives 2^trunc(8.01 - 6) = 4; the stored height 256 becomes 64.
    EXPECT_EQ(run.context.mipScaleY.at(key()), 4);
    const std::vector<std::string> lines = run.lines();
    EXPECT_TRUE(hasLine(lines, "Converting " + path + ":128x66"));
    EXPECT_TRUE(
        hasLine(lines, "MIP " + path + ":1 (128x129), original size 16640, new size 2176 (64x34)"));

    const MipImage back = readBack();
    EXPECT_EQ(back.width, 128u);
    EXPECT_EQ(back.height, 66u);
    ASSERT_EQ(back.levels.size(), 4u);
    EXPECT_EQ(back.levels[3].size(), 16u * 10);
    // Level 0: output row r is source row round(r * 258 / 66); pixel j is source pixel 2j.
    const std::vector<std::uint8_t>& level0 = back.levels[0];
    EXPECT_EQ(level0[0], 0);
    EXPECT_EQ(level0[128 * 1 + 3], static_cast<std::uint8_t>(4 + 7 * 6));
    EXPECT_EQ(level0[128 * 65 + 0], 254);
    // Level 3: 34 rows become 10; row 9 is source row round(9 * 34 / 10) = 31.
    EXPECT_EQ(back.levels[3][16 * 9 + 1], static_cast<std::uint8_t>(31 + 7 * 2));
}

struct ReduceCase {
    const char* name;
    std::function<void(RunOptions&)> set;
    std::size_t kept;
    std::uint32_t dropped;
};

class MipReduceTest : public MipShrinkTest, public ::testing::WithParamInterface<ReduceCase> {};

TEST_P(MipReduceTest, KeepsTheLargestLevels) {
    const MipSpec shape = mipSpec(64, 62, 5);
    MipImage image = place(shape);
    run.context.options.reduce = true;
    GetParam().set(run.context.options);
    shrink(image);

    EXPECT_TRUE(hasLine(run.lines(), "Saving " + path + " with conversion (64x64)"));
    EXPECT_TRUE(run.context.shrunkMips.contains(key()));
    EXPECT_TRUE(run.context.mipScaleX.empty());
    EXPECT_EQ(run.context.droppedLevelTotal, GetParam().dropped);
    const MipImage back = readBack();
    EXPECT_EQ(back.width, 64u);
    EXPECT_EQ(back.header.heightMinus2, 62u);
    ASSERT_EQ(back.levels.size(), GetParam().kept);
    for (std::uint32_t i = 0; i < GetParam().kept; ++i) {
        EXPECT_EQ(back.levels[i], mipLevelPixels(shape, i));
        EXPECT_EQ(back.levelRecords[i].mipLevelInternal, (1u << (5 - i)) - 1);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Options, MipReduceTest,
    ::testing::Values(ReduceCase{"Half", [](RunOptions&) {}, 2, 3},
                      ReduceCase{"Quarter", [](RunOptions& o) { o.quarter = true; }, 1, 4},
                      ReduceCase{"Limit2",
                                 [](RunOptions& o) {
                                     o.limitGiven = true;
                                     o.limit = 2;
                                 },
                                 3, 2},
                      ReduceCase{"MaxMips3",
                                 [](RunOptions& o) {
                                     o.maxMipsGiven = true;
                                     o.maxMips = 3;
                                 },
                                 3, 2},
                      // Keeping more than there are counts as three levels dropped below zero.
                      ReduceCase{"MaxMips8",
                                 [](RunOptions& o) {
                                     o.maxMipsGiven = true;
                                     o.maxMips = 8;
                                 },
                                 5, 0xFFFFFFFD}),
    [](const ::testing::TestParamInfo<ReduceCase>& info) { return info.param.name; });

TEST_F(MipShrinkTest, ReduceKeepsAtLeastOneLevel) {
    run.context.options.reduce = true;
    const std::vector<std::uint8_t> single = buildMip(mipSpec(64, 62, 1));
    MipImage image = place(single);
    shrink(image);
    EXPECT_EQ(readFile(path), single);
    EXPECT_EQ(run.context.droppedLevelTotal, 0u);

    run.context.options.quarter = true;
    image = place(mipSpec(64, 62, 3));
    shrink(image);
    const MipImage back = readBack();
    EXPECT_EQ(back.levels.size(), 1u);
    EXPECT_EQ(run.context.droppedLevelTotal, 2u);
}

TEST_F(MipShrinkTest, ReduceStopsOnceTheCounterIsReached) {
    run.context.options.reduce = true;
    run.context.options.counterGiven = true;
    run.context.options.counter = 4;
    const std::vector<std::uint8_t> bytes = buildMip(mipSpec(64, 62, 5));
    for (const char* name : {"a.mip", "b.mip"}) {
        MipImage image = place(bytes, name);
        shrink(image);
        EXPECT_EQ(readBack().levels.size(), 2u) << name;
    }
    EXPECT_EQ(run.context.droppedLevelTotal, 6u);
    run.clearOutput();
    MipImage image = place(bytes, "c.mip");
    shrink(image);
    EXPECT_EQ(run.output(), "");
    EXPECT_FALSE(run.context.shrunkMips.contains(key()));
    EXPECT_EQ(readFile(path), bytes);
}

TEST_F(MipShrinkTest, ExpandRepeatsEveryLevelToReach1024Wide) {
    const MipSpec shape = mipSpec(256, 30, 3);
    run.context.options.reduce = true;
    run.context.options.expandMipsGiven = true;
    for (const std::int32_t multiplier : {1, 0}) {  // 0 is taken as 1
        run.context.options.expandMips = multiplier;
        MipImage image = place(shape);
        shrink(image);
        EXPECT_TRUE(hasLine(run.lines(), "Saving " + path + " with conversion (1024x32)"));
        const MipImage back = readBack();
        EXPECT_EQ(back.width, 1024u);
        EXPECT_EQ(back.header.heightMinus2, 30u);
        ASSERT_EQ(back.levels.size(), 3u);
        for (std::uint32_t i = 0; i < 3; ++i) {
            std::vector<std::uint8_t> copies;
            for (int c = 0; c < 4; ++c) {
                const std::vector<std::uint8_t> level = mipLevelPixels(shape, i);
                copies.insert(copies.end(), level.begin(), level.end());
            }
            EXPECT_EQ(back.levels[i], copies) << "level " << i;
        }
    }
    EXPECT_TRUE(run.context.shrunkMips.contains(key()));

    // A height multiplier reaching 16384 rows is ignored.
    run.context.options.expandMips = 64;
    MipImage image = place(mipSpec(256, 256, 1));
    shrink(image);
    EXPECT_TRUE(hasLine(run.lines(), "Saving " + path + " with conversion (1024x258)"));
}

TEST_F(MipShrinkTest, ExpandLeavesAnEmptyImageAsCopied) {
    run.context.options.reduce = true;
    run.context.options.expandMipsGiven = true;
    run.context.options.expandMips = 2;
    MipImage image;
    path = (dir / "missing.mip").string();
    shrink(image);
    EXPECT_EQ(run.output(), "");
    EXPECT_TRUE(run.context.shrunkMips.empty());
    EXPECT_TRUE(test::listFiles(dir.path()).empty());
}

// 40 records over a 4-wide texture: levels from 3 on are empty, and the level loops must not
// shift by 32 or more.
std::vector<std::uint8_t> fortyLevelMip() {
    constexpr std::uint32_t kLevels = 40;
    test::ByteWriter out;
    const std::uint32_t dataStart = 24 + 12 * kLevels;
    out.u32(dataStart + 14 - 4).u32(0).u32(4).u32(0).u32(kLevels).u32(0);
    std::uint32_t position = dataStart;
    for (std::uint32_t i = 0; i < kLevels; ++i) {
        out.u32(3).u32(~7u).u32(position);
        position += i < 3 ? (4 >> i) * 2 : 0;
    }
    out.fill(14, 9);
    return out.data();
}

TEST_F(MipShrinkTest, LevelIndicesPast31AreSafe) {
    run.context.options.info = true;
    run.context.options.reduce = true;
    run.context.options.maxMipsGiven = true;
    run.context.options.maxMips = 40;
    MipImage image = place(fortyLevelMip());
    shrink(image);
    EXPECT_TRUE(hasLine(run.lines(), "Converting " + path + ":0x2"));
    EXPECT_EQ(readBack().levels.size(), 40u);

    run.context.options.expandMipsGiven = true;
    run.context.options.expandMips = 1;
    image = place(fortyLevelMip());
    shrink(image);
    MipImage back;
    readMip(run.context.console, back, path, false);
    EXPECT_EQ(back.width, 1024u);
}

}  // namespace
}  // namespace vexmor
