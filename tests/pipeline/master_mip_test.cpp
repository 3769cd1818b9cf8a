#include "pipeline/master_mip.h"

#include <gtest/gtest.h>

#include "common/little_endian.h"
#include "support/captured_run.h"
#include "support/temp_dir.h"
#include "texture/mip_file.h"

namespace vexmor {
namespace {

using test::CapturedRun;
using test::TempDir;

std::uint32_t word(const std::vector<std::uint8_t>& bytes, std::size_t index) {
    return readU32(bytes, 4 * index);
}

TEST(MasterMipTest, WritesAnAllZeroOneLevelTextureOfTheGivenSize) {
    TempDir dir;
    CapturedRun run;
    run.context.options.compactWidth = 256;
    run.context.options.compactHeight = 128;
    const std::string output = dir.str() + "\\";
    writeMasterMip(run.context, "ignored\\", output);

    const std::vector<std::string> expected{
        std::string(39, '*'),
        "Minimum mip level is 1",
        "Max dims (each) 256x128",
        "Target dims 256x128, size 32768 bytes (32 KB, 0.03125 MB)",
        "Creating master MIP file " + output + "master.mip",
        std::string(39, '*'),
        "",
        ""};
    EXPECT_EQ(run.lines(), expected);

    const std::vector<std::uint8_t> bytes = test::readFile(dir / "master.mip");
    ASSERT_EQ(bytes.size(), 32804u);
    EXPECT_EQ(word(bytes, 0), 32800u);
    EXPECT_EQ(word(bytes, 2), 256u);
    EXPECT_EQ(word(bytes, 3), 126u);
    EXPECT_EQ(word(bytes, 4), 1u);
    EXPECT_EQ(word(bytes, 6), 1u);
    EXPECT_EQ(word(bytes, 7), 0xFFFFFFFCu);
    EXPECT_EQ(word(bytes, 8), 34u);
    for (std::size_t i = 36; i < bytes.size(); ++i) {
        ASSERT_EQ(bytes[i], 0) << i;
    }
}

TEST(MasterMipTest, ItsOffsetLeadsAReaderToThePixels) {
    TempDir dir;
    CapturedRun run;
    run.context.options.compactWidth = 4;
    run.context.options.compactHeight = 4;
    writeMasterMip(run.context, "", dir.str() + "/");
    MipImage image;
    readMip(run.context.console, image, dir.str() + "/master.mip", true);
    ASSERT_EQ(image.levelRecords.size(), 1u);
    EXPECT_EQ(levelDataPosition(image.levelRecords[0]), 36u);
    ASSERT_EQ(image.levels.size(), 1u);
    EXPECT_EQ(image.levels[0], std::vector<std::uint8_t>(16, 0));
}

TEST(MasterMipTest, NoSizeGivesAHeaderOnlyFile) {
    TempDir dir;
    CapturedRun run;
    writeMasterMip(run.context, "", dir.str() + "/");
    const std::vector<std::uint8_t> bytes = test::readFile(dir / "master.mip");
    ASSERT_EQ(bytes.size(), 36u);
    EXPECT_EQ(word(bytes, 0), 32u);
    EXPECT_EQ(word(bytes, 3), 0xFFFFFFFEu);
    EXPECT_TRUE(test::hasLine(run.lines(), "Target dims 0x0, size 0 bytes (0 KB, 0 MB)"));
}

TEST(MasterMipTest, AMissingFolderSkipsTheFileAndSaysSo) {
    TempDir dir;
    CapturedRun run;
    writeMasterMip(run.context, "", dir.str() + "/missing/");
    EXPECT_EQ(run.lines().size(), 8u);
    EXPECT_EQ(run.output().find("Creating master MIP file"), std::string::npos);
    EXPECT_NE(run.output().find("Error - could not write " + dir.str() + "/missing/master.mip: "),
              std::string::npos);
    EXPECT_TRUE(run.context.writeFailed);
}

}  // namespace
}  // namespace vexmor
