#include "export/mi4_export.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "catalogue/source_catalogue.h"
#include "support/byte_writer.h"
#include "support/captured_run.h"
#include "support/mi4_builder.h"
#include "support/png_reader.h"
#include "support/temp_dir.h"
#include "texture/mi4_conversion.h"
#include "texture/mi4_file.h"

namespace vexmor {
namespace {

namespace fs = std::filesystem;
using test::buildMi4;
using test::CapturedRun;
using test::decodePng;
using test::hasLine;
using test::Mi4LevelSpec;
using test::Mi4Spec;
using test::TempDir;

constexpr std::uint32_t kBlack = 0xFF000000;
constexpr std::uint32_t kRed = 0xFF0000F8;
constexpr std::uint32_t kGreen = 0xFF00FC00;
constexpr std::uint32_t kBlue = 0xFFF80000;
constexpr std::uint32_t kWhite = 0xFFF8FCF8;

Mi4LevelSpec level(std::vector<std::uint8_t> packed, std::uint32_t internal = 0,
                   std::uint32_t magic = 0) {
    Mi4LevelSpec shape;
    shape.packed = std::move(packed);
    shape.mipLevelInternal = internal;
    shape.magic = magic;
    return shape;
}

class Mi4ExportTest : public ::testing::Test {
protected:
    Mi4ExportTest() {
        fs::create_directories(dir / "src");
        fs::create_directories(dir / "out");
        run.context.reportFile.open(dir / "report.csv");
    }

    std::string source() const { return dir.str() + "\\src\\"; }
    std::string target(const std::string& rel) const { return dir.str() + "\\out\\" + rel; }
    fs::path image(const std::string& name) const { return dir / "out" / name; }

    void place(const std::string& rel, const std::vector<std::uint8_t>& bytes) {
        test::writeFile(dir / "src" / rel, bytes);
    }

    // Runs the export of one file and returns what it printed.
    std::vector<std::string> process(const std::string& rel, bool explode = true) {
        run.context.options.explode = explode;
        run.clearOutput();
        processMi4File(run.context, rel, source(), target(rel));
        return run.lines();
    }

    std::vector<std::string> images() const { return test::listFiles(dir / "out"); }

    std::vector<std::string> reportRows() {
        run.context.reportFile.close();
        return test::splitLines(test::readText(dir / "report.csv"));
    }

    CapturedRun run;
    TempDir dir;
};

std::vector<std::string> linesStartingWith(const std::vector<std::string>& lines,
                                           const std::string& prefix) {
    std::vector<std::string> found;
    for (const std::string& line : lines) {
        if (line.rfind(prefix, 0) == 0) {
            found.push_back(line);
        }
    }
    return found;
}

TEST(Mi4ReadGeometry, LevelsAreTheFullSizeDividedByTheirScale) {
    const Mi4Header header{0, 0, 256, 258, 4, 0};
    const Mi4ReadGeometry one = mi4ReadGeometry(header, 1);
    EXPECT_EQ(one.scale, 2u);
    EXPECT_EQ(one.width, 128u);
    EXPECT_EQ(one.height, 129u);
    EXPECT_EQ(one.packedBytes, 8256u);
    const Mi4ReadGeometry two = mi4ReadGeometry(header, 2);
    EXPECT_EQ(two.width, 64u);
    EXPECT_EQ(two.height, 64u);
    EXPECT_EQ(two.packedBytes, 2048u);
    const Mi4ReadGeometry past = mi4ReadGeometry(header, 32);
    EXPECT_EQ(past.scale, std::uint64_t{1} << 32);
    EXPECT_EQ(past.width, 0u);
    EXPECT_EQ(past.height, 0u);
    EXPECT_EQ(mi4ReadGeometry({0, 0, 0xFFFFFFFF, 0xFFFFFFFF, 1, 0}, 0).packedBytes,
              0xFFFFFFFE00000001ull / 2);
    EXPECT_EQ(mi4ReadGeometry(header, 64).scale, 0u);
}

TEST(Mi4ReadGeometry, SlotsDecodeToTheirTopChannelBits) {
    EXPECT_EQ(decodeMi4Colour(0x07E0), kGreen);
    EXPECT_EQ(decodeMi4Colour(0xFFFF), kWhite);
    EXPECT_EQ(decodeMi4Colour(0xF800), kRed);
    EXPECT_EQ(decodeMi4Colour(0x001F), kBlue);
    EXPECT_EQ(decodeMi4Colour(0x0000), kBlack);
}

TEST_F(Mi4ExportTest, WithoutExplodeOnlyTheLevelsAreListed) {
    Mi4Spec shape{8, 4, 0, {level({1, 2, 3, 4, 5, 6, 7, 8}), level({9, 10})}};
    place("wall.mi4", buildMi4(shape));
    run.context.options.info = true;
    EXPECT_EQ(process("wall.mi4", false), (std::vector<std::string>{
                                              "Mi4 wall.mi4: dims 8x4, num MIPS 2",
                                              "Mip 0 of dims 8x4 at offset 44",
                                              "Mip 1 of dims 4x2 at offset 84",
                                          }));
    EXPECT_EQ(run.context.statistics.numPaletted, 1u);
    run.context.options.info = false;
    EXPECT_TRUE(process("wall.mi4", false).empty());
    EXPECT_EQ(run.context.statistics.numPaletted, 2u);
    EXPECT_TRUE(images().empty());
    EXPECT_TRUE(reportRows().empty());
}

TEST_F(Mi4ExportTest, MissingFileIsReportedByItsName) {
    EXPECT_EQ(process("nope.mi4"), (std::vector<std::string>{"Could not open Mi4 file nope.mi4"}));
    EXPECT_EQ(run.context.statistics.numPaletted, 0u);
}

TEST_F(Mi4ExportTest, PalettesAreFoundThroughTheNextRecord) {
    // Pixel parts longer than the reader's n: only the next record says where a palette is.
    Mi4Spec shape{
        4,
        4,
        0,
        {level(std::vector<std::uint8_t>(12)), level(std::vector<std::uint8_t>(6)), level({})}};
    shape.levels[0].palette[0] = 0xF800;
    shape.levels[1].palette[0] = 0x07E0;
    shape.levels[1].palette[5] = 0xFFFF;
    shape.levels[2].palette[0] = 0x001F;
    place("wall.mi4", buildMi4(shape));
    const auto lines = process("wall.mi4");
    EXPECT_EQ(linesStartingWith(lines, "Palette[0] "),
              (std::vector<std::string>{"Palette[0] = FF0000F8", "Palette[0] = FF00FC00",
                                        "Palette[0] = FFF80000"}));
    EXPECT_EQ(linesStartingWith(lines, "MIP "),
              (std::vector<std::string>{"MIP wall.mi4:1 : Size 8, offset 56, end 60, 4x4",
                                        "MIP wall.mi4:2 : Size 2, offset 100, end 104, 2x2",
                                        "MIP wall.mi4:4 : Size 0, offset 138, end 142, 1x1"}));
    EXPECT_EQ(lines.size(), 3u * 17);
    EXPECT_EQ(lines[17 + 5], "Palette[5] = FFF8FCF8");
    EXPECT_EQ(lines[15], "Palette[15] = FF000000");
}

TEST_F(Mi4ExportTest, PackedBytesGiveTheHighNibbleFirst) {
    Mi4Spec shape{4, 2, 0, {level({0x3C, 0x00, 0xC3, 0x0F}, 1, 3)}};
    shape.levels[0].palette[3] = 0xF800;
    shape.levels[0].palette[12] = 0x001F;
    shape.levels[0].palette[15] = 0xFFFF;
    place("sign.mi4", buildMi4(shape));
    process("sign.mi4");
    const std::string name = "sign.mi4.1.1.4x2.4B.Offset.32.size.4.magic.3.level.1.png";
    ASSERT_EQ(images(), (std::vector<std::string>{name}));
    const auto png = decodePng(image(name));
    ASSERT_TRUE(png.has_value());
    EXPECT_EQ(png->width, 4u);
    EXPECT_EQ(png->height, 2u);
    EXPECT_EQ(png->pixels, (std::vector<std::uint32_t>{kRed, kBlue, kBlack, kBlack, kBlue, kRed,
                                                       kBlack, kWhite}));
}

TEST_F(Mi4ExportTest, OddLevelEndsWithSlotZerosColour) {
    Mi4Spec shape{3, 1, 0, {level({0x3C})}};
    shape.levels[0].palette[0] = 0x07E0;
    shape.levels[0].palette[3] = 0xF800;
    shape.levels[0].palette[12] = 0x001F;
    place("odd.mi4", buildMi4(shape));
    process("odd.mi4");
    const auto png = decodePng(image("odd.mi4.1.1.3x1.1B.Offset.32.size.1.magic.0.level.0.png"));
    ASSERT_TRUE(png.has_value());
    EXPECT_EQ(png->pixels, (std::vector<std::uint32_t>{kRed, kBlue, kGreen}));
}

TEST_F(Mi4ExportTest, ConvertedTextureIsExportedWithTheReadersGeometry) {
    // Four colours that survive RGB565, in vertical bands of level 0.
    SourceCatalogue catalogue;
    const std::uint8_t colours[4][3] = {{248, 0, 0}, {0, 252, 0}, {0, 0, 248}, {248, 252, 248}};
    for (std::size_t i = 0; i < 4; ++i) {
        for (std::size_t c = 0; c < 3; ++c) {
            catalogue.paletteRgb[3 * i + c] = colours[i][c];
        }
    }
    test::MipSpec mip;
    mip.width = 256;
    mip.heightMinus2 = 256;
    mip.numMips = 4;
    mip.pixel = [](std::uint32_t, std::uint32_t x, std::uint32_t) -> std::uint8_t {
        return static_cast<std::uint8_t>(x / 64);
    };
    convertMipToMi4(run.context, catalogue, test::makeMipImage(mip),
                    (dir / "src" / "wall.mip").string(), "wall.mip");
    ASSERT_TRUE(fs::exists(dir / "src" / "wall.mi4"));

    const auto lines = process("wall.mi4");
    EXPECT_TRUE(hasLine(lines, "MIP wall.mi4:2 : Size 8256, offset 33124, end 33128, 128x129"));
    const std::string t = target("wall.mi4");
    EXPECT_EQ(reportRows(), (std::vector<std::string>{
                                t + ",0,15,4,256,258,33024,68,511",
                                t + ",1,7,4,128,129,8256,33124,255",
                                t + ",2,3,4,64,64,2048,41476,127",
                                t + ",3,1,4,32,32,512,43620,63",
                            }));
    EXPECT_EQ(images(),
              (std::vector<std::string>{
                  "wall.mi4.1.4.256x258.33024B.Offset.68.size.33024.magic.511.level.15.png",
                  "wall.mi4.2.4.128x129.8256B.Offset.33124.size.8256.magic.255.level.7.png",
                  "wall.mi4.3.4.64x64.2048B.Offset.41476.size.2048.magic.127.level.3.png",
                  "wall.mi4.4.4.32x32.512B.Offset.43620.size.512.magic.63.level.1.png",
              }));
    const auto top =
        decodePng(image("wall.mi4.1.4.256x258.33024B.Offset.68.size.33024.magic.511.level.15.png"));
    ASSERT_TRUE(top.has_value());
    const std::uint32_t expected[4] = {kRed, kGreen, kBlue, kWhite};
    for (std::uint32_t y = 0; y < 258; y += 37) {
        for (std::uint32_t x = 0; x < 256; x += 5) {
            ASSERT_EQ(top->pixels[y * 256 + x], expected[x / 64]) << x << "," << y;
        }
    }
}

TEST_F(Mi4ExportTest, ShortFileReadsAsZeros) {
    // The file stops after level 0's pixels; the header's last word lands in level 1's palette.
    Mi4Spec shape{4, 2, 0x07E0, {level({0x12, 0x34, 0x56, 0x78}), level({0x9A})}};
    std::vector<std::uint8_t> bytes = buildMi4(shape);
    bytes.resize(52);
    place("cut.mi4", bytes);
    const auto lines = process("cut.mi4");
    for (std::size_t s = 0; s < 16; ++s) {
        EXPECT_EQ(lines[s], "Palette[" + std::to_string(s) + "] = FF000000");
    }
    const auto zero = decodePng(image("cut.mi4.1.2.4x2.4B.Offset.44.size.4.magic.0.level.0.png"));
    ASSERT_TRUE(zero.has_value());
    EXPECT_EQ(zero->pixels, std::vector<std::uint32_t>(8, kBlack));
    const auto one = decodePng(image("cut.mi4.2.2.2x1.1B.Offset.80.size.1.magic.0.level.0.png"));
    ASSERT_TRUE(one.has_value());
    EXPECT_EQ(one->pixels, std::vector<std::uint32_t>(2, kGreen));

    place("empty.mi4", {});
    run.context.options.info = true;
    EXPECT_EQ(process("empty.mi4"),
              (std::vector<std::string>{"Mi4 empty.mi4: dims 0x0, num MIPS 0"}));
}

TEST_F(Mi4ExportTest, LevelCountTheFileCannotHoldIsRefused) {
    test::ByteWriter file;
    file.u32(56).u32(0).u32(4).u32(4).u32(3).u32(0).fill(36);
    place("fits.mi4", file.data());
    file.data()[16] = 4;
    place("four.mi4", file.data());
    file.data()[16] = 0xFF;
    file.data()[17] = 0xFF;
    file.data()[18] = 0xFF;
    file.data()[19] = 0xFF;
    place("bad.mi4", file.data());

    EXPECT_EQ(linesStartingWith(process("fits.mi4"), "MIP ").size(), 3u);
    EXPECT_EQ(process("four.mi4"),
              (std::vector<std::string>{"Mi4 four.mi4: 4 mip levels do not fit in the file"}));
    EXPECT_EQ(
        process("bad.mi4"),
        (std::vector<std::string>{"Mi4 bad.mi4: 4294967295 mip levels do not fit in the file"}));
    EXPECT_EQ(reportRows().size(), 3u);
}

TEST_F(Mi4ExportTest, LevelLargerThanTheFileIsRefused) {
    place("huge.mi4", buildMi4({65536, 65536, 0, {level({}, 1, 0)}}));
    const auto lines = process("huge.mi4");
    EXPECT_EQ(lines.back(),
              "Mi4 huge.mi4: mip level 0 claims 2147483648 bytes, more than the file holds");
    EXPECT_TRUE(images().empty());
    EXPECT_EQ(reportRows(), (std::vector<std::string>{target("huge.mi4") +
                                                      ",0,1,1,65536,65536,2147483648,32,0"}));
}

TEST_F(Mi4ExportTest, LevelsPastTheShiftRangeAreEmpty) {
    place("deep.mi4", buildMi4({4, 4, 0, std::vector<Mi4LevelSpec>(33)}));
    const auto lines = process("deep.mi4");
    EXPECT_TRUE(hasLine(lines, "MIP deep.mi4:4294967296 : Size 0, offset 1440, end 1444, 0x0"));
    EXPECT_EQ(images().size(), 3u);  // 4 × 4, 2 × 2 and 1 × 1
    const auto rows = reportRows();
    ASSERT_EQ(rows.size(), 33u);
    EXPECT_EQ(rows.back(), target("deep.mi4") + ",32,0,33,0,0,0,1440,0");
}

}  // namespace
}  // namespace vexmor
