// Runs of the real tool whose output cannot be written: a folder that cannot be made in the
// middle of a run, a read-only output folder, an output path below a file, and a full disk; and
// runs whose inputs cannot be read: a missing archive, FIFOs where files are expected. Each
// failure is said with one line, the run goes on to its statistics and ends with exit code 4
// (2 for an archive that cannot be read), no file is left cut short under its final name, and
// the source is never touched.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "support/captured_run.h"
#include "support/dat_builder.h"
#include "support/mesh_builder.h"
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

std::uint32_t sizeWord(const std::vector<std::uint8_t>& bytes) {
    return bytes.size() < 4
               ? 0
               : bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (std::uint32_t{bytes[3]} << 24);
}

// Every file below `folder` is whole: no temporary file is left, and each texture is as long as
// its own size word says.
void expectNothingCutShort(const fs::path& folder) {
    for (const std::string& name : listFiles(folder)) {
        EXPECT_EQ(name.find(".vexmor-tmp"), std::string::npos) << name;
        if (name.ends_with(".mip") || name.ends_with(".mi4")) {
            const std::vector<std::uint8_t> bytes = readFile(folder / name);
            EXPECT_EQ(bytes.size(), std::uint64_t{sizeWord(bytes)} + 4) << name;
        }
    }
}

// A mesh whose root selects texture 0 of its MIP table.
MeshBuilder texturedMesh(std::vector<std::string> mips) {
    MeshBuilder b;
    b.mips(std::move(mips));
    b.textureSelection(0, b.dataNode(0x8000000E));
    return b;
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
    EXPECT_EQ(result.exitCode, 4);
    const std::string blocked = out() + "\\sub.mip\\";
    EXPECT_TRUE(anyLineStartsWith(lines, "Could not create output folder \"" + blocked + "\""))
        << result.output;
    // The copy that failed is said, and nothing is read from its name.
    EXPECT_TRUE(hasLine(lines, "Error - could not write " + blocked + "inner.mip: Not a directory"))
        << result.output;
    EXPECT_FALSE(anyLineStartsWith(lines, "Could not open file ")) << result.output;
    EXPECT_TRUE(fs::is_regular_file(dir / "Out/Sub.mip"));
    EXPECT_TRUE(fs::is_regular_file(dir / "Out/z.mip"));
    EXPECT_TRUE(fs::exists(dir / "Out/z.mip.1.2.16x18.288B.png"));
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(lines.back().starts_with(kStatisticsEnd)) << result.output;
    snapshot.expectUnchanged();
}

// A sub-folder left from an earlier run that may not be written: removing the output folder
// cannot empty it, the run reaches it in the middle of the pass, each of its texture's files is
// said to fail, and the textures around it convert.
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
    EXPECT_EQ(exploded.exitCode, 4) << exploded.output;
    EXPECT_TRUE(anyLineStartsWith(lines, "Error while removing directory " + out() + "\\"))
        << exploded.output;
    const std::string team = "Error - could not write " + out() + "\\Team\\b.mip.";
    EXPECT_TRUE(hasLine(lines, team + "1.2.16x18.288B.png: Permission denied")) << exploded.output;
    EXPECT_TRUE(hasLine(lines, team + "2.2.8x10.80B.png: Permission denied")) << exploded.output;
    EXPECT_TRUE(fs::exists(dir / "Out/a.mip.1.2.16x18.288B.png"));
    EXPECT_TRUE(fs::exists(dir / "Out/z.mip.1.2.16x18.288B.png"));
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(lines.back().starts_with(kStatisticsEnd)) << exploded.output;

    // Converting, the copy cannot be made: that is said, and nothing is read from its name.
    const ProcessResult converted = runVexmor({source(), "-convert", out()}, options);
    lines = converted.lines();
    EXPECT_EQ(converted.exitCode, 4) << converted.output;
    EXPECT_TRUE(
        hasLine(lines, "Error - could not write " + out() + "\\Team\\b.mip: Permission denied"))
        << converted.output;
    EXPECT_FALSE(anyLineStartsWith(lines, "Could not open file ")) << converted.output;
    EXPECT_FALSE(fs::exists(dir / "Out/Team/b.mip"));
    EXPECT_TRUE(fs::is_regular_file(dir / "Out/a.mip"));
    EXPECT_TRUE(fs::is_regular_file(dir / "Out/z.mip"));
    EXPECT_EQ(readText(dir / "Out/Team/old.png"), "kept");
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(lines.back().starts_with(kStatisticsEnd)) << converted.output;

    // Unpacking into a folder that may not be written: every member is said to fail.
    fs::permissions(dir / "Out", fs::perms::owner_read | fs::perms::owner_exec |
                                     fs::perms::group_read | fs::perms::group_exec |
                                     fs::perms::others_read | fs::perms::others_exec);
    DatSpec archive;
    archive.members = {{"SUNNY.PCX", buildPcx(gradientPalette()), {}, {}},
                       {"README.TXT", patternBytes(40), {}, {}}};
    writeFile(dir / "x.dat", buildDat(archive));
    const ProcessResult unpacked = runVexmor({dir.str() + "/x.dat", "-unpack", out()}, options);
    lines = unpacked.lines();
    EXPECT_EQ(unpacked.exitCode, 4) << unpacked.output;
    EXPECT_TRUE(
        hasLine(lines, "Error - could not write " + out() + "\\SUNNY.PCX: Permission denied"))
        << unpacked.output;
    EXPECT_TRUE(
        hasLine(lines, "Error - could not write " + out() + "\\README.TXT: Permission denied"))
        << unpacked.output;
    EXPECT_FALSE(fs::exists(dir / "Out/README.TXT"));
    snapshot.expectUnchanged();
}

// An output path below a file: nothing can be written, every image says so, the run finishes
// with exit code 4.
TEST_F(RunFailureTest, AnOutputPathBelowAFileReportsEveryImageAndFinishes) {
    writeFile(dir / "Cars/sunny.pcx", buildPcx(gradientPalette()));
    writeFile(dir / "Cars/a.mip", buildMip(mipSpec(16, 16, 3)));
    writeFile(dir / "Cars/b.mip", buildMip(mipSpec(8, 6, 1)));
    writeFile(dir / "file.txt", "not a folder");
    const SourceSnapshot snapshot(dir / "Cars");

    const ProcessResult result = run({source(), "-explode", dir.str() + "/file.txt/Out"});

    const std::vector<std::string> lines = result.lines();
    EXPECT_EQ(result.exitCode, 4);
    const std::string failed = "Error - could not write " + dir.str() + "/file.txt/Out\\";
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [&](const std::string& line) { return line.starts_with(failed); }),
              4)
        << result.output;
    EXPECT_EQ(readText(dir / "file.txt"), "not a folder");
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(lines.back().starts_with(kStatisticsEnd)) << result.output;
    snapshot.expectUnchanged();
}

// A disk that fills up: files larger than the limit cannot be written. The large images fail
// with the disk-full code and leave nothing behind, the small ones are written, and the run ends
// with exit code 4.
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
    EXPECT_EQ(result.exitCode, 4) << result.output;
    EXPECT_GE(countLines(lines, "Could not save image. Error Code 80070070"), 1u) << result.output;
    EXPECT_TRUE(fs::exists(dir / "Out/Small.mip.1.1.8x8.64B.png"));
    EXPECT_FALSE(fs::exists(dir / "Out/Big.mip.1.3.64x64.4096B.png"));
    expectNothingCutShort(dir / "Out");
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(lines.back().starts_with(kStatisticsEnd)) << result.output;
    snapshot.expectUnchanged();
}

// Converting on a full disk, as a track, as a car set, and compacting: the file that does not fit
// is said (and not then blamed on the texture), no MI4 is announced that was not written, the
// master MIP that does not fit is said, the rest converts, nothing is left cut short under a
// final name, and each run ends with exit code 4 after its statistics.
TEST_F(RunFailureTest, AFullDiskDuringAConversionIsSaidAndLeavesNoFileCutShort) {
    SKIP_ON_WINDOWS();
#ifdef _WIN32
    GTEST_SKIP() << "the full disk is a POSIX file-size limit";
#endif
    writeFile(dir / "Cars/sunny.pcx", buildPcx(gradientPalette()));
    writeFile(dir / "Cars/Wall.mip", buildMip(noisySpec(64, 62, 3)));
    writeFile(dir / "Cars/Sign.mip", buildMip(noisySpec(16, 14, 2)));
    writeFile(dir / "Cars/Car.3do", texturedMesh({"sign"}).build());
    const SourceSnapshot snapshot(dir / "Cars");
    // A track's texture is read where it lies and only its MI4 is written; a car set's is
    // copied first.
    const std::vector<std::pair<std::vector<std::string>, std::string>> runs = {
        {{source(), "-track", "-explode", out(), "-convert", out()}, "Wall.mi4"},
        {{source(), "-convert", out()}, "Wall.mip"}};
    for (const auto& [args, tooLarge] : runs) {
        const std::string wallFailed =
            "Error - could not write " + out() + "\\" + tooLarge + ": File too large";
        const ProcessResult result = run(args, 1500);
        const std::vector<std::string> lines = result.lines();
        EXPECT_EQ(result.exitCode, 4) << result.output;
        EXPECT_TRUE(hasLine(lines, wallFailed)) << result.output;
        EXPECT_EQ(result.output.find("bytes can hold"), std::string::npos) << result.output;
        EXPECT_EQ(result.output.find("Wall.mi4: new (MI4) file size"), std::string::npos);
        EXPECT_FALSE(fs::exists(dir / "Out/Wall.mip"));
        EXPECT_FALSE(fs::exists(dir / "Out/Wall.mi4"));
        // Mesh copies take the lower-cased name.
        EXPECT_EQ(readFile(dir / "Out/car.3do"), readFile(dir / "Cars/Car.3do"));
        expectNothingCutShort(dir / "Out");
        ASSERT_FALSE(lines.empty());
        EXPECT_TRUE(lines.back().starts_with(kStatisticsEnd)) << result.output;
    }
    EXPECT_TRUE(fs::exists(dir / "Out/Sign.mip"));  // the car set's copy

    const ProcessResult compacted = run({source(), "-compact", "64", "64", out()}, 1500);
    EXPECT_EQ(compacted.exitCode, 4) << compacted.output;
    EXPECT_TRUE(hasLine(compacted.lines(),
                        "Error - could not write " + out() + "\\master.mip: File too large"))
        << compacted.output;
    EXPECT_FALSE(fs::exists(dir / "Out/master.mip"));
    expectNothingCutShort(dir / "Out");
    snapshot.expectUnchanged();
}

// Unpacking on a full disk: the member that does not fit is said and left out whole, the members
// around it are unpacked, and the run ends with exit code 4.
TEST_F(RunFailureTest, AFullDiskDuringAnUnpackIsSaidAndLeavesNoMemberCutShort) {
    SKIP_ON_WINDOWS();
#ifdef _WIN32
    GTEST_SKIP() << "the full disk is a POSIX file-size limit";
#endif
    const std::vector<std::uint8_t> small = patternBytes(300, 1);
    const std::vector<std::uint8_t> big = patternBytes(3000, 2);
    DatSpec archive;
    archive.members = {
        {"SMALL.TXT", small, {}, {}}, {"BIG.BIN", big, {}, {}}, {"LAST.TXT", small, {}, {}}};
    writeFile(dir / "x.dat", buildDat(archive));

    const ProcessResult result = run({dir.str() + "/x.dat", "-unpack", out()}, 2000);

    const std::vector<std::string> lines = result.lines();
    EXPECT_EQ(result.exitCode, 4) << result.output;
    EXPECT_TRUE(hasLine(lines, "Error - could not write " + out() + "\\BIG.BIN: File too large"))
        << result.output;
    EXPECT_EQ(listFiles(dir / "Out"), (std::vector<std::string>{"LAST.TXT", "SMALL.TXT"}));
    EXPECT_EQ(readFile(dir / "Out/LAST.TXT"), small);
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(lines.back().starts_with(kStatisticsEnd)) << result.output;
}

// An archive that cannot be read (a mistyped name, or a FIFO) is said and ends the run with exit
// code 2 before any output folder is made.
TEST_F(RunFailureTest, AnArchiveThatCannotBeReadEndsWithTwoAndMakesNothing) {
    const std::string missing = dir.str() + "/Nope.dat";
    ProcessResult result = run({missing, "-unpack", out()});
    EXPECT_EQ(result.exitCode, 2) << result.output;
    // The tool names the source as it reads it, lower-cased.
    ASSERT_FALSE(result.lines().empty());
    EXPECT_TRUE(result.lines().back().starts_with("Error - could not read DAT file "));
    EXPECT_TRUE(result.lines().back().ends_with("nope.dat")) << result.output;
    EXPECT_FALSE(fs::exists(dir / "Out"));
#ifndef _WIN32
    ASSERT_EQ(::mkfifo((dir / "pipe.dat").c_str(), 0600), 0);
    result = run({dir.str() + "/pipe.dat", "-unpack", out()});
    EXPECT_EQ(result.exitCode, 2) << result.output;
    EXPECT_FALSE(fs::exists(dir / "Out"));
#endif
}

#ifndef _WIN32
// Opening a FIFO blocks: a nested mesh and a palette that are FIFOs are refused with one line
// each, never opened, and the run finishes.
TEST_F(RunFailureTest, FifosNamedByTheRunAreRefusedNotOpened) {
    writeFile(dir / "Cars/body.mip", buildMip(mipSpec(16, 14, 2)));
    MeshBuilder body = texturedMesh({"body"});
    body.meshes({"wheel"});
    writeFile(dir / "Cars/Body.3do", body.build());
    ASSERT_EQ(::mkfifo((dir / "Cars/wheel.3do").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((dir / "pipe.pcx").c_str(), 0600), 0);
    const std::string palette = dir.str() + "/pipe.pcx";

    const ProcessResult result = run({source(), "-palette", palette, "-convert", out()});

    const std::vector<std::string> lines = result.lines();
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_TRUE(hasLine(lines, "Could not read palette from " + palette)) << result.output;
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) {
                                return line.starts_with("Could not open 3DO: ") &&
                                       line.ends_with("wheel.3do (root false)");
                            }),
              1)
        << result.output;
    EXPECT_EQ(readFile(dir / "Out/body.3do"), body.build());
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(lines.back().starts_with(kStatisticsEnd)) << result.output;
}
#endif

}  // namespace
}  // namespace vexmor::test
