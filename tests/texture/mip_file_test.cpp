#include "texture/mip_file.h"
#include "texture/mip_reader.h"

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>

#include "common/little_endian.h"
#include "support/captured_run.h"
#include "support/mip_builder.h"
#include "support/temp_dir.h"

namespace vexmor {
namespace {

using test::buildMip;
using test::CapturedRun;
using test::hasLine;
using test::mipLevelPixels;
using test::mipRecordPosition;
using test::mipSpec;
using test::MipSpec;
using test::readFile;
using test::TempDir;
using test::writeFile;

std::istringstream streamOf(const std::vector<std::uint8_t>& bytes) {
    return std::istringstream(std::string(bytes.begin(), bytes.end()));
}

class MipFileTest : public ::testing::Test {
protected:
    // Writes `bytes` as a MIP file and reads it back.
    MipImage load(const std::vector<std::uint8_t>& bytes, bool withPixels = true) {
        writeFile(dir / "in.mip", bytes);
        MipImage image;
        readMip(run.context.console, image, (dir / "in.mip").string(), withPixels);
        return image;
    }

    TempDir dir;
    CapturedRun run;
};

TEST_F(MipFileTest, WorkedExampleReadsAndWritesBackByteForByte) {
    MipSpec shape = mipSpec(16, 16, 3);
    shape.reserved = 0xABCD;
    const std::vector<std::uint8_t> bytes = buildMip(shape);
    ASSERT_EQ(bytes.size(), 452u);

    MipImage image = load(bytes);
    EXPECT_EQ(image.width, 16u);
    EXPECT_EQ(image.height, 18u);
    EXPECT_EQ(image.header.size, 448u);
    ASSERT_EQ(image.levelRecords.size(), 3u);
    ASSERT_EQ(image.levels.size(), 3u);
    for (std::uint32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(image.levels[i], mipLevelPixels(shape, i)) << "level " << i;
    }
    EXPECT_EQ(image.levelRecords[0].offset, 64u);
    EXPECT_EQ(image.levelRecords[1].offset, 348u);
    EXPECT_EQ(image.levelRecords[2].offset, 426u);

    run.context.options.info = true;
    const std::string out = (dir / "out.mip").string();
    writeMip(run.context, image, out);
    EXPECT_EQ(readFile(out), bytes);
    EXPECT_EQ(image.header.size, 448u);
    EXPECT_TRUE(hasLine(run.lines(), "Re-exported " + out +
                                         ". Original size 452, new size 452, actual data "
                                         "written 452"));
}

TEST_F(MipFileTest, LevelIsReadWhereItsRecordPointsEvenOffTheRule) {
    const MipSpec shape = mipSpec(16, 16, 3);
    std::vector<std::uint8_t> bytes = buildMip(shape);
    // Level 1 (mipLevelInternal 3) points at level 0's data at 60.
    writeU32(bytes, mipRecordPosition(1) + 8, 60 + 3 - 3);
    const MipImage image = load(bytes);
    const std::vector<std::uint8_t> level0 = mipLevelPixels(shape, 0);
    EXPECT_EQ(image.levels[1], std::vector<std::uint8_t>(level0.begin(), level0.begin() + 80));
}

TEST_F(MipFileTest, StoredHeightZeroGivesTwoRowLevels) {
    const MipImage image = load(buildMip(mipSpec(8, 0, 3)));
    EXPECT_EQ(image.height, 2u);
    ASSERT_EQ(image.levels.size(), 3u);
    EXPECT_EQ(image.levels[0].size(), 16u);
    EXPECT_EQ(image.levels[1].size(), 8u);
    EXPECT_EQ(image.levels[2].size(), 4u);
}

TEST_F(MipFileTest, DroppedLevelsAreWrittenFromTheNewDataStart) {
    const MipSpec shape = mipSpec(32, 30, 4);
    MipImage image = load(buildMip(shape));
    image.levels.resize(2);
    image.levelRecords.resize(2);
    image.header.numMips = 2;
    const std::string out = (dir / "out.mip").string();
    writeMip(run.context, image, out);

    MipImage back;
    readMip(run.context.console, back, out, true);
    ASSERT_EQ(back.levelRecords.size(), 2u);
    EXPECT_EQ(back.levelRecords[0].mipLevelInternal, 15u);
    EXPECT_EQ(back.levelRecords[1].mipLevelInternal, 7u);
    EXPECT_EQ(back.levelRecords[0].offset, 48u + 15 - 3);
    EXPECT_EQ(back.levelRecords[1].offset, 48u + 32 * 32 + 7 - 3);
    EXPECT_EQ(back.header.size, 48u + 32 * 32 + 16 * 17 - 4);
    EXPECT_EQ(readFile(out).size(), back.header.size + 4);
    EXPECT_EQ(back.levels[0], mipLevelPixels(shape, 0));
    EXPECT_EQ(back.levels[1], mipLevelPixels(shape, 1));
}

TEST_F(MipFileTest, ShortFileReadsZerosWhereDataIsMissing) {
    const MipSpec shape = mipSpec(16, 16, 3);
    std::vector<std::uint8_t> bytes = buildMip(shape);
    bytes.resize(348 + 30);  // level 1 cut after 30 bytes, level 2 missing
    const MipImage image = load(bytes);
    ASSERT_EQ(image.levels.size(), 3u);
    EXPECT_EQ(image.levels[0], mipLevelPixels(shape, 0));
    std::vector<std::uint8_t> level1 = mipLevelPixels(shape, 1);
    std::fill(level1.begin() + 30, level1.end(), 0);
    EXPECT_EQ(image.levels[1], level1);
    EXPECT_EQ(image.levels[2], std::vector<std::uint8_t>(24, 0));

    // A header cut short: missing words are 0, so no levels and no complaint.
    const MipImage stub = load({0x10, 0, 0, 0, 0, 0, 0, 0, 8, 0});
    EXPECT_EQ(stub.header.size, 0x10u);
    EXPECT_EQ(stub.width, 8u);
    EXPECT_EQ(stub.header.numMips, 0u);
    EXPECT_TRUE(stub.levelRecords.empty());
    EXPECT_EQ(run.output(), "");
}

TEST_F(MipFileTest, LevelsPastTheBytesReadAtOpeningAreReadFromTheFile) {
    // Level 0 runs past the file's first 256 KiB, level 1 lies beyond them, level 2 is cut short.
    const MipSpec shape = mipSpec(1024, 254, 3);
    std::vector<std::uint8_t> bytes = buildMip(shape);
    bytes.resize(bytes.size() - 100);
    const MipImage image = load(bytes);
    ASSERT_EQ(image.levels.size(), 3u);
    EXPECT_EQ(image.levels[0], mipLevelPixels(shape, 0));
    EXPECT_EQ(image.levels[1], mipLevelPixels(shape, 1));
    std::vector<std::uint8_t> level2 = mipLevelPixels(shape, 2);
    std::fill(level2.end() - 100, level2.end(), 0);
    EXPECT_EQ(image.levels[2], level2);
}

TEST(MipLevelDataTest, ReadsInChunksAndEachLevelSeeksAfresh) {
    const MipSpec shape = mipSpec(128, 62, 2);
    const std::vector<std::uint8_t> bytes = buildMip(shape);
    std::istringstream in = streamOf(bytes);
    // A record pointing past the end reads zeros...
    EXPECT_EQ(readMipLevelData(in, {1, 0, 100000}, 10), std::vector<std::uint8_t>(10, 0));
    // ...and does not blank a later level that lies in the file (8192 bytes: two chunks).
    const MipLevelRecord record{3, 0, 24 + 24 + 3 - 3};
    EXPECT_EQ(readMipLevelData(in, record, 128 * 64), mipLevelPixels(shape, 0));
    EXPECT_THROW(readMipLevelData(in, record, limits::kMaxMipLevelBytes + 1), std::length_error);
}

TEST_F(MipFileTest, LevelCountTheFileCannotHoldIsRefused) {
    std::vector<std::uint8_t> bytes = buildMip(mipSpec(4, 0, 2));
    const std::string path = (dir / "in.mip").string();

    writeU32(bytes, 16, 0xFFFFFFFF);
    MipImage image = load(bytes);
    EXPECT_TRUE(image.levelRecords.empty());
    EXPECT_TRUE(image.levels.empty());
    EXPECT_EQ(image.header.numMips, 0u);
    EXPECT_EQ(run.lines(), std::vector<std::string>{"Error - MIP " + path +
                                                    " claims 4294967295 levels, more than the "
                                                    "file can hold"});

    // The bound is the records alone: a file that holds exactly the records is read.
    run.clearOutput();
    const std::size_t recordsEnd = mipRecordPosition(2);
    bytes.resize(recordsEnd);
    writeU32(bytes, 16, 2);
    EXPECT_EQ(load(bytes).levelRecords.size(), 2u);
    writeU32(bytes, 16, 3);
    EXPECT_TRUE(load(bytes).levelRecords.empty());
    EXPECT_EQ(run.lines().size(), 1u);
}

TEST_F(MipFileTest, LevelTooLargeIsRefusedBeforeAllocating) {
    std::vector<std::uint8_t> bytes = buildMip(mipSpec(4, 0, 2));
    writeU32(bytes, 8, 0x10000);
    writeU32(bytes, 12, 0x10000);
    EXPECT_EQ(load(bytes, false).levelRecords.size(), 2u);  // no pixels asked: no bound needed
    EXPECT_TRUE(load(bytes).levels.empty());
    EXPECT_EQ(run.lines(), std::vector<std::string>{"Error - MIP " + (dir / "in.mip").string() +
                                                    " claims 4295098368 bytes for level 0, more "
                                                    "than the 67108864 bytes a level may hold"});
}

TEST_F(MipFileTest, MissingAndUnwritableFilesAreReported) {
    MipImage image;
    image.width = 5;
    image.levels.resize(1);
    const std::string missing = (dir / "none.mip").string();
    readMip(run.context.console, image, missing, true);
    EXPECT_EQ(run.lines(), std::vector<std::string>{"Could not open file " + missing});
    EXPECT_EQ(image.path, missing);
    EXPECT_EQ(image.width, 0u);
    EXPECT_TRUE(image.levels.empty());

    run.clearOutput();
    run.context.options.info = true;
    const std::string unwritable = (dir / "no" / "such" / "folder.mip").string();
    EXPECT_FALSE(writeMip(run.context, image, unwritable));
    // The reason is the system's own text, which differs between systems.
    ASSERT_EQ(run.lines().size(), 1u);
    EXPECT_TRUE(run.lines()[0].starts_with("Error - could not write " + unwritable + ": "))
        << run.output();
    EXPECT_TRUE(run.context.writeFailed);
}

}  // namespace
}  // namespace vexmor
