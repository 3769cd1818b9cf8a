// The built binary on a small car set: copying, exploding, reporting and the refusals.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/text.h"
#include "support/captured_run.h"
#include "support/carset_fixture.h"
#include "support/line_ends.h"
#include "support/png_reader.h"
#include "support/source_snapshot.h"
#include "support/temp_dir.h"
#include "support/vexmor_process.h"

namespace vexmor::test {
namespace {

using vexmor::toLowerAscii;

namespace fs = std::filesystem;

class MipPassEndToEnd : public ::testing::Test {
protected:
    void SetUp() override { writeCarset(dir / "Cars", textures); }

    // Every run leaves the source as it was.
    ProcessResult run(std::vector<std::string> args) {
        const SourceSnapshot snapshot(dir / "Cars");
        ProcessResult result = runVexmor(args, {{}, dir.path()});
        snapshot.expectUnchanged();
        return result;
    }
    std::string source() const { return dir.str() + "/Cars"; }
    std::string out() const { return dir.str() + "/Out"; }

    TempDir dir;
    std::vector<CarsetTexture> textures = smallCarsetTextures();
};

TEST_F(MipPassEndToEnd, ExplodeWritesEveryLevelWithItsGeometryInTheName) {
    const ProcessResult result = run({source(), "-explode", out()});
    ASSERT_EQ(result.exitCode, 0) << result.output;
    const std::vector<std::string> expected{
        "Body.MIP.1.3.64x32.2048B.png",       "Body.MIP.2.3.32x17.544B.png",
        "Body.MIP.3.3.16x9.144B.png",         "Parts/Deep/Inner/Nut.mip.1.1.16x8.128B.png",
        "Parts/Wheel.mip.1.2.32x16.512B.png", "Parts/Wheel.mip.2.2.16x9.144B.png",
    };
    EXPECT_EQ(listFiles(dir / "Out"), expected);
    EXPECT_TRUE(
        hasLine(result.lines(), "Saving MIP " + out() + "\\Parts\\Wheel.mip.1.2.32x16.512B.png"))
        << result.output;
    EXPECT_TRUE(hasLine(result.lines(), "Folder name is " + out() + "\\Parts\\"));

    // Every pixel is the palette colour of its index.
    const PaletteRgb palette = gradientPalette();
    for (std::uint32_t level = 0; level < 2; ++level) {
        const std::string name =
            level == 0 ? "Parts/Wheel.mip.1.2.32x16.512B.png" : "Parts/Wheel.mip.2.2.16x9.144B.png";
        const std::optional<DecodedPng> png = decodePng(dir / "Out" / name);
        ASSERT_TRUE(png);
        const std::vector<std::uint8_t> indices = mipLevelPixels(textures[1].shape, level);
        ASSERT_EQ(png->pixels.size(), indices.size());
        for (std::size_t p = 0; p < indices.size(); ++p) {
            ASSERT_EQ(png->pixels[p], paletteColour(palette, indices[p])) << name << " " << p;
        }
    }
}

TEST_F(MipPassEndToEnd, ExplodeZeroWritesLevelZeroNamedAfterTheTexture) {
    const ProcessResult result = run({source(), "-explode0", out()});
    ASSERT_EQ(result.exitCode, 0) << result.output;
    const std::vector<std::string> expected{"Body.png", "Parts/Deep/Inner/Nut.png",
                                            "Parts/Wheel.png"};
    EXPECT_EQ(listFiles(dir / "Out"), expected);
    const std::optional<DecodedPng> png = decodePng(dir / "Out/Body.png");
    ASSERT_TRUE(png);
    EXPECT_EQ(png->width, 64u);
    EXPECT_EQ(png->height, 32u);
}

TEST_F(MipPassEndToEnd, ConvertCopiesEveryMipWithItsRelativePath) {
    writeFile(dir / "Out/stale.txt", "old");
    writeFile(dir / "Out/.vexmor-output", "");  // left by an earlier run
    const ProcessResult result = run({source(), "-convert", out()});
    ASSERT_EQ(result.exitCode, 0) << result.output;
    // No texture is wider than the limit, so every copy is byte for byte the source.
    for (const CarsetTexture& texture : textures) {
        EXPECT_EQ(readFile(dir / "Out" / texture.relative),
                  readFile(dir / "Cars" / texture.relative))
            << texture.relative;
    }
    EXPECT_FALSE(fs::exists(dir / "Out/stale.txt"));
    EXPECT_FALSE(fs::exists(dir / "Out/Sunny.pcx"));
    EXPECT_TRUE(
        hasLine(result.lines(), "Total number of MIPS 3, size " +
                                    std::to_string(2 * (2048 + 544 + 144 + 512 + 144 + 128)) +
                                    ", resized 0"))
        << result.output;
    EXPECT_EQ(readText(dir / "mi433.csv"),
              asWritten("Filename,mip level, mip level internal,num mips,width,height,size,offset,"
                        "magic\n"));
}

TEST_F(MipPassEndToEnd, ConvertWithExplodePutsTheImagesBelowTheOutputFolder) {
    const ProcessResult result = run({source(), "-explode0", out(), "-convert", out()});
    ASSERT_EQ(result.exitCode, 0) << result.output;
    EXPECT_TRUE(fs::exists(dir / "Out/Parts/Deep/Inner/Nut.png"));
    EXPECT_TRUE(fs::exists(dir / "Out/Parts/Deep/Inner/Nut.mip"));
}

TEST_F(MipPassEndToEnd, ReportAndInfoPrintTheColourCountsAndDetailLines) {
    const ProcessResult report = run({source(), "-report", "-convert", out()});
    ASSERT_EQ(report.exitCode, 0) << report.output;
    const std::string wheel = out() + "\\Parts\\Wheel.mip";  // the copy is read
    EXPECT_TRUE(hasLine(report.lines(), "MIP " + wheel + ":0, 32x16 num colours 2"))
        << report.output;
    EXPECT_TRUE(hasLine(report.lines(), "MIP " + wheel + ":1, 32x16 num colours 2"));
    EXPECT_FALSE(
        hasLine(report.lines(), "MIP " + wheel + ", dims 32x16, num 2, default colour 00000000"));

    const ProcessResult info = run({source(), "-info", "-convert", out()});
    ASSERT_EQ(info.exitCode, 0);
    const std::vector<std::string> lines = info.lines();
    EXPECT_TRUE(hasLine(lines, "MIP " + wheel + ", dims 32x16, num 2, default colour 00000000"));
    EXPECT_TRUE(hasLine(
        lines, "Mip i 0, dims 32x16, 11(3), 11111111111111111111111111111000(FFFFFFF8), offset 30"))
        << info.output;
    EXPECT_TRUE(hasLine(lines, "MIP " + wheel + ":1, 32x16 num colours 2"));
    EXPECT_TRUE(hasLine(
        lines, "Scan: wheel.mip Parts/Wheel.mip (" + toLowerAscii(source()) + "/Parts/Wheel.mip)"));
}

TEST_F(MipPassEndToEnd, StatisticsDescribeTheTexturesRead) {
    const ProcessResult result = run({source(), "-report"});
    const std::vector<std::string> lines = result.lines();
    ASSERT_GE(lines.size(), 4u);
    // Level sizes 2048, 544, 144, 128, 512, 144: sorted 128 144 144 512 544 2048.
    const std::uint64_t total = 2048 + 544 + 144 + 128 + 512 + 144;
    EXPECT_EQ(
        lines[lines.size() - 4],
        fmt::format("Num paletted 0, Num mips 3, total size {0} (0x{0:08X}) bytes ({1} KB, {2} MB)",
                    total, total / 1024.0, total / 1048576.0));
    EXPECT_EQ(lines[lines.size() - 3],
              "Max MIP dims 64x32, median size 656 bytes (0.640625 KB, 0.0006256103515625 MB)");
    EXPECT_EQ(lines[lines.size() - 2], "Inter-quartile range 400 bytes");
    EXPECT_EQ(lines[lines.size() - 1], "Largest MIP size 2048 bytes (0x00000800) of dims 64x32");
    EXPECT_TRUE(
        hasLine(lines, "Total number of MIP levels 6, minimum mip levels 1, maximum mip levels 3"));
}

TEST_F(MipPassEndToEnd, ExplodingWithoutAPaletteEndsWithExitOne) {
    fs::remove(dir / "Cars/Sunny.pcx");
    const ProcessResult result = run({source(), "-explode", out()});
    EXPECT_EQ(result.exitCode, 1);
    const std::vector<std::string> lines = result.lines();
    ASSERT_EQ(lines.size(), 2u) << result.output;
    EXPECT_EQ(lines[0],
              "To explode a carset a palette file (sunny.pcx) needs to be specified with the "
              "-palette <path>");
    EXPECT_EQ(lines[1],
              "A sunny.pcx file can be unpacked from a .dat file from an existing ICR2 track (in "
              "the TRACKS) folder");
    EXPECT_TRUE(listFiles(dir / "Out").empty());
}

TEST_F(MipPassEndToEnd, APaletteGivenOnTheCommandLineColoursTheImages) {
    fs::rename(dir / "Cars/Sunny.pcx", dir / "sunny.pcx");
    const ProcessResult result =
        run({source(), "-palette", dir.str() + "/sunny.pcx", "-explode0", out()});
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_TRUE(fs::exists(dir / "Out/Body.png"));
}

TEST_F(MipPassEndToEnd, ABadRecordWarnsAndStillExports) {
    std::vector<std::uint8_t> bytes = buildMip(textures[0].shape);
    bytes[mipRecordPosition(1)] = 15;  // level 1 of three claims the mask of four levels
    writeFile(dir / "Cars/Body.MIP", bytes);
    const ProcessResult result = run({source(), "-explode", out()});
    ASSERT_EQ(result.exitCode, 0);
    EXPECT_TRUE(hasLine(result.lines(),
                        "WARNING!: Verification failed: img mip 2 (expected 4), not img value "
                        "FFFFFFE0, expected FFFFFFF8"))
        << result.output;
    EXPECT_TRUE(fs::exists(dir / "Out/Body.MIP.2.3.32x17.544B.png"));
}

TEST_F(MipPassEndToEnd, RefusesToRemoveAFolderThatHoldsTheSource) {
    const std::vector<std::string> before = listFiles(dir / "Cars");
    for (const std::string& output : {source(), dir.str(), dir.str() + "/CARS/.."}) {
        const ProcessResult result = run({source(), "-convert", output});
        EXPECT_EQ(result.exitCode, 3) << output;
        EXPECT_TRUE(hasLine(result.lines(), "Error - refusing to remove output folder " + output +
                                                "\\ because it holds the source folder " +
                                                toLowerAscii(source()) + "\\"))
            << result.output;
    }
    const ProcessResult root = run({source(), "-explode", "/"});
    EXPECT_EQ(root.exitCode, 3);
    EXPECT_TRUE(hasLine(root.lines(), "Error - refusing to remove output folder /\\"))
        << root.output;
    EXPECT_EQ(listFiles(dir / "Cars"), before);
}

TEST_F(MipPassEndToEnd, AMissingIntermediateFolderIsCreated) {
    // a\b\c.mip with nothing directly in a\: every level of the folder is made.
    const ProcessResult result = run({source(), "-convert", out()});
    ASSERT_EQ(result.exitCode, 0);
    EXPECT_TRUE(fs::exists(dir / "Out/Parts/Deep/Inner/Nut.mip"));
    EXPECT_EQ(result.output.find("Could not create output folder"), std::string::npos)
        << result.output;
}

}  // namespace
}  // namespace vexmor::test
