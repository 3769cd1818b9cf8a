// Runs of the real tool whose output cannot be written: a folder that cannot be made in the
// middle of a run, a read-only output sub-folder, an output path below a file, and a full disk.
// Each failure is reported with the tool's own lines, the run goes on to its statistics and exits
// normally, and the source is never touched.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/captured_run.h"
#include "support/mip_builder.h"
#include "support/pcx_builder.h"
#include "support/source_snapshot.h"
#include "support/temp_dir.h"
#include "support/vexmor_process.h"

namespace vexmor::test {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kStatisticsEnd = "Largest MIP size ";

bool anyLineStartsWith(const std::vector<std::string>& lines, std::string_view start) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& line) { return line.starts_with(start); });
}

std::size_t countLines(const std::vector<std::string>& lines, std::string_view line) {
    return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), line));
}

// Pixels that barely compress, so the images are larger than a few hundred bytes.
MipSpec noisySpec(std::uint32_t width, std::uint32_t heightMinus2, std::uint32_t numMips) {
    MipSpec shape = mipSpec(width, heightMinus2, numMips);
    shape.pixel = [](std::uint32_t level, std::uint32_t x, std::uint32_t y) {
        std::uint32_t h = (level * 7919u + x * 104729u + y * 1299709u) ^ 0x9E3779B9u;
        h ^= h >> 13;
        h *= 0x5BD1E995u;
        return static_cast<std::uint8_t>(h >> 24);
    };
    return shape;
}

// Names that differ only in case, and file-size limits, exist on POSIX systems only.
#ifdef _WIN32
#define SKIP_ON_WINDOWS() GTEST_SKIP() << "needs POSIX names and limits"
#else
#define SKIP_ON_WINDOWS() static_cast<void>(0)
#endif

class RunFailureTest : public ::testing::Test {
protected:
    std::string source() const { return dir.str() + "/Cars"; }
    std::string out() const { return dir.str() + "/Out"; }
    ProcessResult run(const std::vector<std::string>& args, std::uint64_t fileSizeLimit = 0) {
        ProcessOptions options({}, dir.path());
        options.fileSizeLimit = fileSizeLimit;
        return runVexmor(args, options);
    }

    TempDir dir;
};

// The copy of Sub.mip is a file in the output folder; the folder sub.mip of the source then
// cannot be made there (the tool finds names without regard to case), so its texture fails in
// the middle of the pass while the textures before and after it convert.
TEST_F(RunFailureTest, AnOutputFolderThatCannotBeMadeMidRunFailsOnlyItsFiles) {
    SKIP_ON_WINDOWS();
#ifdef _WIN32
    GTEST_SKIP() << "Sub.mip and sub.mip are one name on Windows";
#endif
    writeFile(dir / "Cars/sunny.pcx", buildPcx(gradientPalette()));
    writeFile(dir / "Cars/Sub.mip", buildMip(mipSpec(16, 16, 2)));
    writeFile(dir / "Cars/sub.mip/inner.mip", buildMip(mipSpec(16, 16, 2)));
    writeFile(dir / "Cars/z.mip", buildMip(mipSpec(16, 16, 2)));
    const SourceSnapshot snapshot(dir / "Cars");

    const ProcessResult result = run({source(), "-explode", out(), "-convert", out()});

    const std::vector<std::string> lines = result.lines();
    EXPECT_EQ(result.exitCode, 0);
    const std::string blocked = out() + "\\sub.mip\\";
    EXPECT_TRUE(anyLineStartsWith(lines, "Could not create output folder \"" + blocked + "\""))
        << result.output;
    EXPECT_TRUE(hasLine(lines, "Could not open file " + blocked + "inner.mip")) << result.output;
    EXPECT_TRUE(fs::is_regular_file(dir / "Out/Sub.mip"));
    EXPECT_TRUE(fs::is_regular_file(dir / "Out/z.mip"));
    EXPECT_TRUE(fs::exists(dir / "Out/z.mip.1.2.16x18.288B.png"));
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(lines.back().starts_with(kStatisticsEnd)) << result.output;
    snapshot.expectUnchanged();
}

// A sub-folder left from an earlier run that may not be written: removing the output folder
// cannot empty it, the run reaches it in the middle of the pass, its texture's files fail with
// the access code, and the textures around it convert.
TEST_F(RunFailureTest, AReadOnlyOutputSubFolderFailsOnlyItsFiles) {
    SKIP_ON_WINDOWS();
#ifdef _WIN32
    GTEST_SKIP() << "folder permissions are POSIX modes here";
#endif
    writeFile(dir / "Cars/sunny.pcx", buildPcx(gradientPalette()));
    writeFile(dir / "Cars/a.mip", buildMip(mipSpec(16, 16, 2)));
    writeFile(dir / "Cars/Team/b.mip", buildMip(mipSpec(16, 16, 2)));
    writeFile(dir / "Cars/z.mip", buildMip(mipSpec(16, 16, 2)));
    writeFile(dir / "Out/Team/old.png", "kept");
    writeFile(dir / "Out/.vexmor-output", "");  // the output of an earlier run
    // The child may write the test folder and the output folder, but not Out/Team.
    fs::permissions(dir.path(), fs::perms::all);
    fs::permissions(dir / "Out", fs::perms::all);
    fs::permissions(dir / "Out/.vexmor-output", fs::perms::all);
    fs::permissions(dir / "Out/Team", fs::perms::owner_read | fs::perms::owner_exec |
                                          fs::perms::group_read | fs::perms::group_exec |
                                          fs::perms::others_read | fs::perms::others_exec);
    const SourceSnapshot snapshot(dir / "Cars");

    ProcessOptions options({}, dir.path());
    options.unprivileged = true;
    if (runVexmor({}, options).exitCode == 127) {
        GTEST_SKIP() << "the built tool cannot be started as the user nobody here";
    }
    const ProcessResult exploded = runVexmor({source(), "-explode", out()}, options);
    std::vector<std::string> lines = exploded.lines();
    EXPECT_EQ(exploded.exitCode, 0) << exploded.output;
    EXPECT_TRUE(anyLineStartsWith(lines, "Error while removing directory " + out() + "\\"))
        << exploded.output;
    EXPECT_EQ(countLines(lines, "Could not save image. Error Code 80070005"), 2u)
        << exploded.output;
    EXPECT_TRUE(fs::exists(dir / "Out/a.mip.1.2.16x18.288B.png"));
    EXPECT_TRUE(fs::exists(dir / "Out/z.mip.1.2.16x18.288B.png"));
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(lines.back().starts_with(kStatisticsEnd)) << exploded.output;

    // Converting, the copy cannot be made, so the texture cannot be read back from it.
    const ProcessResult converted = runVexmor({source(), "-convert", out()}, options);
    lines = converted.lines();
    EXPECT_EQ(converted.exitCode, 0) << converted.output;
    EXPECT_TRUE(hasLine(lines, "Could not open file " + out() + "\\Team\\b.mip"))
        << converted.output;
    EXPECT_FALSE(fs::exists(dir / "Out/Team/b.mip"));
    EXPECT_TRUE(fs::is_regular_file(dir / "Out/a.mip"));
    EXPECT_TRUE(fs::is_regular_file(dir / "Out/z.mip"));
    EXPECT_EQ(readText(dir / "Out/Team/old.png"), "kept");
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(lines.back().starts_with(kStatisticsEnd)) << converted.output;
    snapshot.expectUnchanged();
}

// An output path below a file: nothing can be written, every image says so, the run finishes.
TEST_F(RunFailureTest, AnOutputPathBelowAFileReportsEveryImageAndFinishes) {
    writeFile(dir / "Cars/sunny.pcx", buildPcx(gradientPalette()));
    writeFile(dir / "Cars/a.mip", buildMip(mipSpec(16, 16, 3)));
    writeFile(dir / "Cars/b.mip", buildMip(mipSpec(8, 6, 1)));
    writeFile(dir / "file.txt", "not a folder");
    const SourceSnapshot snapshot(dir / "Cars");

    const ProcessResult result = run({source(), "-explode", dir.str() + "/file.txt/Out"});

    const std::vector<std::string> lines = result.lines();
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(countLines(lines, "Could not save image. Error Code 80070003"), 4u) << result.output;
    EXPECT_EQ(readText(dir / "file.txt"), "not a folder");
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(lines.back().starts_with(kStatisticsEnd)) << result.output;
    snapshot.expectUnchanged();
}

// A disk that fills up: files larger than the limit cannot be written. The large images fail
// with the disk-full code, the small ones are written, and the run ends normally.
TEST_F(RunFailureTest, AFullDiskFailsTheLargeImagesAndTheRunGoesOn) {
    SKIP_ON_WINDOWS();
#ifdef _WIN32
    GTEST_SKIP() << "the full disk is a POSIX file-size limit";
#endif
    writeFile(dir / "Cars/sunny.pcx", buildPcx(gradientPalette()));
    writeFile(dir / "Cars/Big.mip", buildMip(noisySpec(64, 62, 3)));
    writeFile(dir / "Cars/Small.mip", buildMip(noisySpec(8, 6, 1)));
    const SourceSnapshot snapshot(dir / "Cars");

    const ProcessResult result = run({source(), "-explode", out()}, 2000);

    const std::vector<std::string> lines = result.lines();
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_GE(countLines(lines, "Could not save image. Error Code 80070070"), 1u) << result.output;
    EXPECT_TRUE(fs::exists(dir / "Out/Small.mip.1.1.8x8.64B.png"));
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(lines.back().starts_with(kStatisticsEnd)) << result.output;
    snapshot.expectUnchanged();
}

// Converting a track on a full disk: copies and MI4 files are cut short without a word (the
// tool never reports those writes), the meshes and summary still run, and the exit is normal.
TEST_F(RunFailureTest, AFullDiskDuringATrackConversionStillEndsNormally) {
    SKIP_ON_WINDOWS();
#ifdef _WIN32
    GTEST_SKIP() << "the full disk is a POSIX file-size limit";
#endif
    writeFile(dir / "Cars/sunny.pcx", buildPcx(gradientPalette()));
    writeFile(dir / "Cars/Wall.mip", buildMip(noisySpec(64, 62, 3)));
    writeFile(dir / "Cars/Sign.mip", buildMip(noisySpec(16, 14, 2)));
    const SourceSnapshot snapshot(dir / "Cars");

    const ProcessResult result =
        run({source(), "-track", "-explode", out(), "-convert", out()}, 1500);

    const std::vector<std::string> lines = result.lines();
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_TRUE(anyLineStartsWith(lines, "Total number of MIPS 2")) << result.output;
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(lines.back().starts_with(kStatisticsEnd)) << result.output;
    EXPECT_LE(fs::file_size(dir / "Out/Wall.mi4"), 1500u);
    snapshot.expectUnchanged();
}

}  // namespace
}  // namespace vexmor::test
