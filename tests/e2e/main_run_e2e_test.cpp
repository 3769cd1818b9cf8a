// The built binary on the main run's outcomes: usage, help and version, a missing source,
// statistics, the report, notes on ignored arguments.
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
    ASSERT_EQ(lines.size(), 22u) << result.output;
    EXPECT_EQ(lines[0], std::string(108, '*'));
    EXPECT_EQ(lines[1], "Vexmor V1.0");
    EXPECT_EQ(lines[2].rfind("Built on: ", 0), 0u);
    EXPECT_EQ(lines[7], "\t-unpack <ExtractionPath>");
    EXPECT_EQ(lines[16], "\t\t-palette <full path to sunny.pcx> -explode <Output path>");
    EXPECT_EQ(lines[18], "\t<source folder> -pack <DAT file>");
    EXPECT_EQ(lines[20],
              "\t<image folder> -import <texture folder> [-palette <full path to sunny.pcx>]");
    EXPECT_EQ(lines[21], std::string(108, '*'));
}

TEST(MainRunEndToEnd, HelpAndVersionAloneAnswerOnStandardOutputAndExitZero) {
    TempDir dir;
    const ProcessResult usage = runVexmor({}, {dir.path(), dir.path()});
    for (const char* help : {"--help", "-h"}) {
        const ProcessResult result = runVexmor({help}, {dir.path(), dir.path()});
        EXPECT_EQ(result.exitCode, 0) << help;
        EXPECT_EQ(result.output, usage.output) << help;
        EXPECT_EQ(result.errors, "") << help;
    }

    // The version and the date are the banner's: "Vexmor V1.0", "Built on: Dec 10 2026, 15:40:00".
    const std::vector<std::string> banner = usage.lines();
    ASSERT_GE(banner.size(), 3u);
    const std::string built = banner[2].substr(10, banner[2].find(", ") - 10);
    const ProcessResult version = runVexmor({"--version"}, {dir.path(), dir.path()});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.output,
              asWritten("vexmor " + banner[1].substr(8) + " (built " + built + ")\n"));
    EXPECT_EQ(version.errors, "");

    // Not alone on the line, it is a source like any other.
    EXPECT_EQ(runVexmor({"--help", "-info"}, {dir.path(), dir.path()}).exitCode, 2);
}

TEST(MainRunEndToEnd, AFolderNamedLikeTheHelpOptionStaysTheSource) {
    TempDir dir;
    fs::create_directory(dir / "--help");
    const ProcessResult result = runVexmor({"--help"}, {dir.path(), dir.path()});
    EXPECT_EQ(result.exitCode, 0);
    const std::vector<std::string> lines = result.lines();
    ASSERT_EQ(lines.size(), 4u) << result.output;
    EXPECT_EQ(lines[3], "Largest MIP size 0 bytes (0x00000000) of dims 0x0");
}

TEST(MainRunEndToEnd, EachIgnoredArgumentGetsANoteOnStandardErrorOnly) {
    TempDir dir;
    fs::create_directory(dir / "Empty");
    const std::string source = dir.str() + "/Empty";
    const ProcessResult plain = runVexmor({source}, {{}, dir.path()});
    // The number after -maxmips is read but left in place: it is no ignored argument.
    const ProcessResult stray =
        runVexmor({source, "-convrt", "-maxmips", "4", "--convert"}, {{}, dir.path()});
    EXPECT_EQ(stray.exitCode, plain.exitCode);
    EXPECT_EQ(stray.output, plain.output);
    EXPECT_EQ(stray.errors, asWritten("vexmor: ignored argument -convrt: not an option\n"
                                      "vexmor: ignored argument --convert: not an option\n"));
    EXPECT_EQ(plain.errors, "");
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
