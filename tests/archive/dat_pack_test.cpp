#include "archive/dat_pack.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "common/text.h"
#include "support/byte_writer.h"
#include "support/captured_run.h"
#include "support/dat_builder.h"
#include "support/source_snapshot.h"
#include "support/temp_dir.h"

namespace vexmor {
namespace {

namespace fs = std::filesystem;
using test::hasLine;
using test::patternBytes;
using test::readFile;
using test::writeFile;

const std::vector<std::string> kEmptyStatistics = {
    "Num paletted 0, Num mips 0, total size 0 (0x00000000) bytes (0 KB, 0 MB)",
    "Max MIP dims 0x0, median size 0 bytes (0 KB, 0 MB)", "Inter-quartile range 0 bytes",
    "Largest MIP size 0 bytes (0x00000000) of dims 0x0"};

class DatPack : public ::testing::Test {
protected:
    std::string folder() const { return dir.str() + "/Track"; }
    std::string archive() const { return dir.str() + "/Track.dat"; }
    // A member's file as the tool names it: the lower-cased source folder, `\`, the name.
    std::string memberPath(std::string_view name) const {
        return toLowerAscii(folder()) + "\\" + std::string(name);
    }
    // Runs the whole tool in-process; the lines it printed, without the scan's.
    int pack(std::vector<std::string> args) {
        run.emplace();
        const int code = run->run(args);
        lines.clear();
        for (std::string& line : run->lines()) {
            if (!line.starts_with("Scan: ")) {
                lines.push_back(std::move(line));
            }
        }
        return code;
    }
    int pack() { return pack({folder(), "-pack", archive()}); }

    test::TempDir dir;
    std::optional<test::CapturedRun> run;
    std::vector<std::string> lines;
};

TEST_F(DatPack, LaysOutTheCountTheDirectoryAndTheMembersBackToBackInScanOrder) {
    const std::vector<std::uint8_t> a = patternBytes(131073, 1);  // two copy pieces
    const std::vector<std::uint8_t> b = patternBytes(10, 2);
    writeFile(dir / "Track/b.mip", b);
    writeFile(dir / "Track/A.pcx", a);
    writeFile(dir / "Track/c.3do", std::string());

    ASSERT_EQ(pack({folder(), "-info", "-pack", archive()}), 0);

    const std::uint32_t first = 2 + 3 * 27;
    test::ByteWriter expected;
    expected.u16(3);
    expected.u16(0).u32(131073).u32(0).text("A.pcx", 13).u32(first);
    expected.u16(0).u32(10).u32(0).text("b.mip", 13).u32(first + 131073);
    expected.u16(0).u32(0).u32(0).text("c.3do", 13).u32(first + 131083);
    expected.bytes(a).bytes(b);
    EXPECT_EQ(readFile(archive()), expected.data());

    std::vector<std::string> expectedLines = {
        "Packing DAT file: " + archive(), "File A.pcx, offset 83, length 131073",
        "File b.mip, offset 131156, length 10", "File c.3do, offset 131166, length 0",
        "Packed 3 files into " + archive() + " (131166 bytes)"};
    expectedLines.insert(expectedLines.end(), kEmptyStatistics.begin(), kEmptyStatistics.end());
    EXPECT_EQ(lines, expectedLines);
}

// Every offending name has its line; the archive already there stays as it was, and no
// temporary file is left beside it.
TEST_F(DatPack, NamesADatFileCannotHoldAreRefusedAndTheOldArchiveKept) {
    writeFile(dir / "Track/TWELVECH.ARS", "twelve bytes fit the field with its NUL");
    writeFile(dir / "Track/LONGNAME1.TEXT", "x");
#ifndef _WIN32
    // Names that differ only in case, and names with `:`, exist on POSIX file systems only.
    writeFile(dir / "Track/Wall.mip", "a");
    writeFile(dir / "Track/WALL.MIP", "b");
    writeFile(dir / "Track/a:b", "c");
#endif
    writeFile(dir / "Track.dat", "the old archive");

    EXPECT_EQ(pack(), 4);

    std::vector<std::string> expected = {
        "Packing DAT file: " + archive(),
#ifndef _WIN32
        "Error - cannot pack " + memberPath("a:b") +
            ": a name in a DAT file may not hold \\, / or :",
#endif
        "Error - cannot pack " + memberPath("LONGNAME1.TEXT") +
            ": a name in a DAT file has at most 12 characters (8.3)",
#ifndef _WIN32
        "Error - cannot pack both WALL.MIP and Wall.mip: names in a DAT file ignore case",
#endif
    };
    expected.insert(expected.end(), kEmptyStatistics.begin(), kEmptyStatistics.end());
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(test::readText(dir / "Track.dat"), "the old archive");
    EXPECT_EQ(test::listFiles(dir.path()).size(), test::listFiles(dir / "Track").size() + 1);
}

// Packed twice, the second time with the archive lying in the folder: it never packs itself,
// nor the output marker, and each sub-folder is named once.
TEST_F(DatPack, SubFoldersAreLeftOutAndTheArchiveInTheFolderIsNoMember) {
    writeFile(dir / "Track/a.mip", patternBytes(100));
    writeFile(dir / "Track/Pits/x.mip", "x");
    writeFile(dir / "Track/Pits/Deeper/y.mip", "y");
    writeFile(dir / "Track/z/w.bin", "w");
    writeFile(dir / "Track/.vexmor-output", "");
    const std::string inside = folder() + "/Track.dat";

    ASSERT_EQ(pack({folder(), "-pack", inside}), 0);
    const std::vector<std::uint8_t> once = readFile(inside);
    ASSERT_EQ(pack({folder(), "-pack", inside}), 0);

    EXPECT_EQ(readFile(inside), once);
    EXPECT_EQ(once.size(), 2u + 27u + 100u);
    std::vector<std::string> expected = {
        "Packing DAT file: " + inside,
        "Sub-folder " + memberPath("Pits") +
            " left out: a DAT file holds only the files of one "
            "folder",
        "Sub-folder " + memberPath("z") +
            " left out: a DAT file holds only the files of one folder",
        "Packed 1 files into " + inside + " (129 bytes)"};
    expected.insert(expected.end(), kEmptyStatistics.begin(), kEmptyStatistics.end());
    EXPECT_EQ(lines, expected);
}

TEST_F(DatPack, AnotherJobOrNoArchiveNameEndsTheRunBeforeItTouchesAnything) {
    writeFile(dir / "Track/a.mip", "a");
    const test::SourceSnapshot snapshot(dir.path());
    const std::string out = dir.str() + "/Out";
    const std::string refusal =
        "Error - -pack is a job of its own: leave out -convert, -explode, -explode0, -compact, "
        "-report, -unpack and -import";
    for (const std::vector<std::string>& job : {std::vector<std::string>{"-convert", out},
                                                {"-explode", out},
                                                {"-explode0", out},
                                                {"-compact", "256", "128", out},
                                                {"-report"},
                                                {"-unpack", out}}) {
        std::vector<std::string> args = {folder(), "-pack", archive()};
        args.insert(args.end(), job.begin(), job.end());
        EXPECT_EQ(pack(args), 1) << job.front();
        EXPECT_EQ(lines, std::vector<std::string>{refusal}) << job.front();
    }
    EXPECT_EQ(pack({folder(), "-pack"}), 1);
    EXPECT_EQ(lines, std::vector<std::string>{"Error - no DAT file specified after -pack command"});
    snapshot.expectUnchanged();
}

TEST_F(DatPack, AnArchiveWhoseFolderIsMissingIsNotWritten) {
    writeFile(dir / "Track/a.mip", "a");
    const std::string nowhere = dir.str() + "/Nowhere/Track.dat";

    EXPECT_EQ(pack({folder(), "-pack", nowhere}), 4);

    std::vector<std::string> expected = {
        "Packing DAT file: " + nowhere,
        "Error - could not write " + nowhere + ": there is no folder " + dir.str() + "/Nowhere/"};
    expected.insert(expected.end(), kEmptyStatistics.begin(), kEmptyStatistics.end());
    EXPECT_EQ(lines, expected);
    EXPECT_FALSE(fs::exists(dir / "Nowhere"));
}

}  // namespace
}  // namespace vexmor
