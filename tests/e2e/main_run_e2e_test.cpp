// The built binary on the main run's outcomes: usage, a missing source, statistics, the report.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/line_ends.h"
#include "support/source_snapshot.h"
#include "support/temp_dir.h"
#include "support/vexmor_process.h"

namespace vexmor::test {
namespace {

namespace fs = std::filesystem;

TEST(MainRunEndToEnd, NoArgumentsPrintsTheUsageAndExitsOne) {
    TempDir dir;
    const ProcessResult result = runVexmor({}, {dir.path(), dir.path()});
    EXPECT_EQ(result.exitCode, 1);
    const std::vector<std::string> lines = result.lines();
    ASSERT_EQ(lines.size(), 20u) << result.output;
    EXPECT_EQ(lines[0], std::string(108, '*'));
    EXPECT_EQ(lines[1], "Vexmor V1.0");
    EXPECT_EQ(lines[2].rfind("Built on: ", 0), 0u);
    EXPECT_EQ(lines[7], "\t-unpack <ExtractionPath>");
    EXPECT_EQ(lines[16], "\t\t-palette <full path to sunny.pcx> -explode <Output path>");
    EXPECT_EQ(lines[18], "\t<source folder> -pack <DAT file>");
    EXPECT_EQ(lines[19], std::string(108, '*'));
}

TEST(MainRunEndToEnd, AMissingSourceExitsTwo) {
    TempDir dir;
    const std::string source = dir.str() + "/Nothing";
    const ProcessResult result = runVexmor({source, "-info"}, {{}, dir.path()});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.output,
              asWritten("Could not find any files in folder " + dir.str() + "/nothing\n"));
}

TEST(MainRunEndToEnd, AnEmptyFolderPrintsTheStatisticsAndLeavesTheReportEmpty) {
    TempDir dir;
    fs::create_directory(dir / "Empty");
    writeFile(dir / "mi433.csv", "stale");
    const SourceSnapshot snapshot(dir / "Empty");
    const ProcessResult result =
        runVexmor({dir.str() + "/Empty", "-unpack", dir.str() + "/Out"}, {{}, dir.path()});
    snapshot.expectUnchanged();
    EXPECT_EQ(result.exitCode, 0);
    const std::vector<std::string> lines = result.lines();
    ASSERT_EQ(lines.size(), 4u) << result.output;
    EXPECT_EQ(lines[0], "Num paletted 0, Num mips 0, total size 0 (0x00000000) bytes (0 KB, 0 MB)");
    EXPECT_EQ(lines[1], "Max MIP dims 0x0, median size 0 bytes (0 KB, 0 MB)");
    EXPECT_EQ(lines[2], "Inter-quartile range 0 bytes");
    EXPECT_EQ(lines[3], "Largest MIP size 0 bytes (0x00000000) of dims 0x0");
    ASSERT_TRUE(fs::exists(dir / "mi433.csv"));
    EXPECT_EQ(fs::file_size(dir / "mi433.csv"), 0u);
}

TEST(MainRunEndToEnd, ADatArchiveWithoutUnpackOrInfoIsScannedAsAFolder) {
    TempDir dir;
    writeFile(dir / "T/Monza.DAT", std::string(2, '\0'));
    const SourceSnapshot snapshot(dir / "T");
    const ProcessResult result = runVexmor({dir.str() + "/T/Monza.DAT"}, {{}, dir.path()});
    snapshot.expectUnchanged();
    EXPECT_EQ(result.exitCode, 2);
}

}  // namespace
}  // namespace vexmor::test
