#include "archive/dat_archive.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "archive/dat_directory.h"
#include "catalogue/source_catalogue.h"
#include "common/text.h"
#include "support/byte_writer.h"
#include "support/captured_run.h"
#include "support/dat_builder.h"
#include "support/mip_builder.h"
#include "support/pcx_builder.h"
#include "support/temp_dir.h"
#include "support/vexmor_process.h"

namespace vexmor {
namespace {

using test::buildDat;
using test::DatMember;
using test::DatSpec;
using test::hasLine;
using test::patternBytes;
using test::readFile;

std::vector<std::uint8_t> concat(std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// ---- directory records ----

std::array<std::uint8_t, kDatDirectoryEntrySize> record(std::string_view name, std::uint32_t length,
                                                        std::uint32_t offset) {
    test::ByteWriter w;
    w.u16(0xFFFF).u32(length).u32(0xFFFFFFFF).text(name, 13).u32(offset);
    std::array<std::uint8_t, kDatDirectoryEntrySize> bytes{};
    std::copy(w.data().begin(), w.data().end(), bytes.begin());
    return bytes;
}

TEST(DatDirectory, ReadsLengthNameAndOffsetIgnoringReservedFields) {
    const DatDirectoryEntry entry = parseDatDirectoryEntry(record("car1.mip", 4660, 0x01020304));
    EXPECT_EQ(entry.name, "car1.mip");
    EXPECT_EQ(entry.length, 4660u);
    EXPECT_EQ(entry.offset, 0x01020304u);
    EXPECT_FALSE(entry.unused());
    EXPECT_TRUE(parseDatDirectoryEntry(record("x", 5, 0)).unused());
}

TEST(DatDirectory, NameFillingTheFieldEndsAtItsEnd) {
    // The offset bytes that follow must not leak into the name.
    const DatDirectoryEntry entry = parseDatDirectoryEntry(record("abcdefgh.ijkl", 1, 0x41414141));
    EXPECT_EQ(entry.name, "abcdefgh.ijkl");
}

TEST(DatDirectory, OnlyPlainFileNamesAreSafe) {
    for (const char* name : {"car1.mip", "SUNNY.PCX", "a..b", "...", ".hidden", "x y.3do"}) {
        EXPECT_TRUE(isSafeMemberName(name)) << name;
    }
    for (const char* name : {"", ".", "..", "..\\x", "../x", "a/b", "a\\b", "c:x", "\\", "/"}) {
        EXPECT_FALSE(isSafeMemberName(name)) << name;
    }
}

// ---- reading and unpacking ----

class DatArchive : public ::testing::Test {
protected:
    // Writes the archive and returns its path text.
    std::string writeArchive(const DatSpec& shape, const std::string& name = "game.dat") {
        test::writeFile(temp / name, buildDat(shape));
        return (temp / name).string();
    }
    // The output folder as the command line hands it over: `\` separators, ending in one.
    std::string outputFolder(const std::string& name = "out") const {
        return temp.str() + "\\" + name + "\\";
    }
    std::filesystem::path outputFile(const std::string& member) const {
        return temp / "out" / member;
    }
    void read(const std::string& archive, bool unpack, const std::string& folder) {
        readDatArchive(run.context, catalogue, archive, unpack, folder);
    }
    std::vector<std::string> lines() const { return run.lines(); }

    test::TempDir temp;
    test::CapturedRun run;
    SourceCatalogue catalogue;
};

TEST_F(DatArchive, EmptyArchiveListsNothingAndReportsNoMismatch) {
    const std::string archive = writeArchive({});
    run.context.options.info = true;
    read(archive, false, "");
    EXPECT_EQ(lines(), (std::vector<std::string>{"Scanning DAT file: " + archive,
                                                 "DAT file reportedly contains 0 files"}));
    EXPECT_TRUE(catalogue.files.empty());
    EXPECT_EQ(catalogue.fileCount, 0);
}

TEST_F(DatArchive, ListingSkipsUnusedEntriesAndReportsTheDifference) {
    DatSpec shape;
    shape.members = {{"a.mip", patternBytes(10), {}, {}},
                     {"b.3do", patternBytes(20), {}, {}},
                     test::unusedDatEntry(),
                     {"c.pcx", patternBytes(30), {}, {}},
                     {"d.mi4", patternBytes(40), {}, {}}};
    const std::string archive = writeArchive(shape);
    catalogue.files.push_back({"stale", 1, 1});
    run.context.options.info = true;
    read(archive, false, "");

    const std::size_t data = test::datDataStart(5);
    EXPECT_EQ(lines(), (std::vector<std::string>{
                           "Scanning DAT file: " + archive,
                           "DAT file reportedly contains 5 files",
                           "File a.mip, offset " + std::to_string(data) + ", length 10",
                           "File b.3do, offset " + std::to_string(data + 10) + ", length 20",
                           "File c.pcx, offset " + std::to_string(data + 30) + ", length 30",
                           "File d.mi4, offset " + std::to_string(data + 60) + ", length 40",
                           "Error - report num files is 5, actual is 4",
                       }));
    EXPECT_EQ(catalogue.fileCount, 5);
    ASSERT_EQ(catalogue.files.size(), 4u);
    EXPECT_EQ(catalogue.files[0].name, "a.mip");
    EXPECT_EQ(catalogue.files[2].name, "c.pcx");
    EXPECT_EQ(catalogue.files[2].offset, data + 30);
    EXPECT_EQ(catalogue.files[2].length, 30u);
    EXPECT_EQ(test::listFiles(temp.path()), std::vector<std::string>{"game.dat"});
}

TEST_F(DatArchive, ListingWithAFolderPrefixesNamesButWritesNothing) {
    DatSpec shape;
    shape.members = {{"a.mip", patternBytes(10), {}, {}}};
    read(writeArchive(shape), false, outputFolder());
    ASSERT_EQ(catalogue.files.size(), 1u);
    EXPECT_EQ(catalogue.files[0].name, outputFolder() + "a.mip");
    EXPECT_FALSE(std::filesystem::exists(temp / "out"));
    EXPECT_EQ(lines().size(), 1u);  // no detail lines without -info
}

TEST_F(DatArchive, UnpacksMembersByteExactAcrossPieceBoundaries) {
    const std::vector<std::size_t> sizes = {131072, 131073, 0, 3 * 131072 + 5, 1};
    DatSpec shape;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        shape.members.push_back({fmt::format("m{}.bin", i),
                                 patternBytes(sizes[i], static_cast<std::uint8_t>(i)),
                                 {},
                                 {}});
    }
    read(writeArchive(shape), true, outputFolder());

    EXPECT_EQ(lines().size(), 1u);
    ASSERT_EQ(catalogue.files.size(), sizes.size());
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        EXPECT_EQ(catalogue.files[i].name, outputFolder() + shape.members[i].name);
        EXPECT_EQ(readFile(outputFile(shape.members[i].name)), shape.members[i].bytes) << i;
    }
}

TEST_F(DatArchive, MemberOffsetsAreAbsoluteAndTheDirectoryIsReadInOrder) {
    // Data in the opposite order of the directory.
    const auto first = patternBytes(300, 1);
    const auto second = patternBytes(200, 2);
    const auto data = static_cast<std::uint32_t>(test::datDataStart(2));
    DatSpec shape;
    shape.members = {{"a.bin", second, data + 200, 300}, {"b.bin", first, data, 200}};
    read(writeArchive(shape), true, outputFolder());
    EXPECT_EQ(readFile(outputFile("a.bin")), first);
    EXPECT_EQ(readFile(outputFile("b.bin")), second);
}

TEST_F(DatArchive, UnpackingReplacesAnExistingLongerFile) {
    test::writeFile(outputFile("a.bin"), patternBytes(5000, 9));
    DatSpec shape;
    shape.members = {{"a.bin", patternBytes(100), {}, {}}};
    read(writeArchive(shape), true, outputFolder());
    EXPECT_EQ(readFile(outputFile("a.bin")), patternBytes(100));
}

TEST_F(DatArchive, MissingParentFolderIsReportedAndTheRunGoesOn) {
    DatSpec shape;
    shape.members = {{"a.bin", patternBytes(100), {}, {}}, {"b.bin", patternBytes(10), {}, {}}};
    const std::string folder = temp.str() + "\\missing\\out\\";
    read(writeArchive(shape), true, folder);
    ASSERT_EQ(lines().size(), 4u);
    EXPECT_EQ(lines()[1].rfind("Could not create output folder \"", 0), 0u);
    EXPECT_EQ(lines()[2].rfind("Error - could not write " + folder + "a.bin: ", 0), 0u);
    EXPECT_EQ(lines()[3].rfind("Error - could not write " + folder + "b.bin: ", 0), 0u);
    EXPECT_TRUE(run.context.writeFailed);
    EXPECT_EQ(catalogue.files.size(), 2u);
    EXPECT_EQ(test::listFiles(temp.path()), std::vector<std::string>{"game.dat"});
}

TEST_F(DatArchive, UnpackedSunnyPcxLoadsThePaletteAtItsDirectoryIndex) {
    const test::PaletteRgb palette = test::gradientPalette();
    DatSpec shape;
    shape.members = {test::unusedDatEntry(),
                     {"a.mip", test::buildMip({}), {}, {}},
                     {"SUNNY.PCX", test::buildPcx(palette), {}, {}},
                     {"sunny.pcx.bak", test::buildPcx(palette), {}, {}}};
    run.context.options.info = true;
    read(writeArchive(shape), true, outputFolder());

    EXPECT_TRUE(hasLine(lines(), "ICR2 sunny.pcx is at index 2"));
    EXPECT_TRUE(hasLine(
        lines(), "Colour 255 is " + fmt::format("{:08X}", test::paletteColour(palette, 255))));
    EXPECT_TRUE(catalogue.paletteLoaded);
    EXPECT_TRUE(catalogue.icr2Palette);
    EXPECT_EQ(catalogue.paletteFileIndex, 2u);
    ASSERT_EQ(catalogue.paletteColours.size(), 256u);
    EXPECT_EQ(catalogue.paletteColours[17], test::paletteColour(palette, 17));
    EXPECT_EQ(readFile(outputFile("SUNNY.PCX")), test::buildPcx(palette));
    EXPECT_EQ(catalogue.files.size(), 3u);
}

TEST_F(DatArchive, ListingAPaletteMemberLoadsNothing) {
    DatSpec shape;
    shape.members = {{"SUNNY.PCX", test::buildPcx(test::gradientPalette()), {}, {}}};
    run.context.options.info = true;
    read(writeArchive(shape), false, "");
    EXPECT_FALSE(catalogue.paletteLoaded);
    EXPECT_FALSE(catalogue.icr2Palette);
    for (const std::string& line : lines()) {
        EXPECT_EQ(line.find("ICR"), std::string::npos) << line;
    }
}

TEST_F(DatArchive, LaterPaletteMemberWinsAndTheLineKeepsTheSecondGeneration) {
    test::PaletteRgb other = test::gradientPalette();
    other[0] = 0x12;
    other[1] = 0x34;
    other[2] = 0x56;
    DatSpec shape;
    shape.members = {{"sunny.pcx", test::buildPcx(test::gradientPalette()), {}, {}},
                     {"Colors.Pcx", test::buildPcx(other), {}, {}}};
    run.context.options.info = true;
    read(writeArchive(shape), true, outputFolder());

    EXPECT_TRUE(hasLine(lines(), "ICR2 sunny.pcx is at index 0"));
    EXPECT_TRUE(hasLine(lines(), "ICR2 sunny.pcx is at index 1"));
    EXPECT_TRUE(catalogue.icr2Palette);  // never cleared once sunny.pcx was met
    EXPECT_EQ(catalogue.paletteFileIndex, 1u);
    EXPECT_EQ(catalogue.paletteColours[0], 0xFF563412u);
}

// A missing archive, a folder named like one and a file too short for the count are said, and
// end the run before the extraction folder is made.
TEST_F(DatArchive, ArchiveThatCannotBeReadEndsTheRunAndMakesNothing) {
    test::writeFile(temp / "short.dat", "x");
    std::filesystem::create_directories(temp / "x.dat");
    for (const char* name : {"missing.dat", "x.dat", "short.dat"}) {
        run.clearOutput();
        catalogue.files.push_back({"stale", 1, 1});
        const std::string archive = (temp / name).string();
        EXPECT_EQ(run.run({archive, "-unpack", outputFolder()}), 2) << name;
        EXPECT_EQ(lines(),
                  (std::vector<std::string>{"Scanning DAT file: " + archive,
                                            "Error - could not read DAT file " + archive}));
        EXPECT_FALSE(std::filesystem::exists(temp / "out"));
    }
}

TEST_F(DatArchive, UnpackWithoutFolderListsNothing) {
    DatSpec shape;
    shape.members = {{"a.bin", patternBytes(10), {}, {}}, {"b.bin", patternBytes(10), {}, {}}};
    const std::string archive = writeArchive(shape);
    run.context.options.info = true;
    read(archive, true, "");
    EXPECT_EQ(lines(), (std::vector<std::string>{
                           "Scanning DAT file: " + archive, "DAT file reportedly contains 2 files",
                           "Error - no extraction folder specified after -unpack command"}));
    EXPECT_TRUE(catalogue.files.empty());
    EXPECT_EQ(test::listFiles(temp.path()), std::vector<std::string>{"game.dat"});
}

TEST_F(DatArchive, UnpackWithoutFolderInAWholeRun) {
    DatSpec shape;
    shape.members = {{"a.bin", patternBytes(10), {}, {}}};
    const std::string archive = writeArchive(shape);
    EXPECT_EQ(run.run({archive, "-unpack"}), 0);
    EXPECT_TRUE(hasLine(lines(), "Error - no extraction folder specified after -unpack command"));
}

TEST_F(DatArchive, UnsafeNamesAreNeitherWrittenNorListed) {
    std::filesystem::create_directories(temp / "deep");
    const std::vector<std::string> unsafe = {
        "", ".", "..", "..\\up.bin", "../up.bin", "/etc", "c:drive.x", "sub\\x.bin", "sub/x.bin"};
    DatSpec shape;
    for (const std::string& name : unsafe) {
        shape.members.push_back({name, patternBytes(16), {}, {}});
    }
    shape.members.push_back({"good.bin", patternBytes(16, 3), {}, {}});
    run.context.options.info = true;
    const std::string folder = temp.str() + "\\deep\\out\\";
    readDatArchive(run.context, catalogue, writeArchive(shape), true, folder);

    EXPECT_EQ(test::listFiles(temp.path()),
              (std::vector<std::string>{"deep/out/good.bin", "game.dat"}));
    for (const std::string& name : unsafe) {
        EXPECT_TRUE(hasLine(lines(), "Error - unsafe member name " + name + " skipped")) << name;
    }
    EXPECT_TRUE(hasLine(lines(), "Error - report num files is 10, actual is 1"));
    ASSERT_EQ(catalogue.files.size(), 1u);
    EXPECT_EQ(catalogue.files[0].name, folder + "good.bin");
    for (const std::string& line : lines()) {
        EXPECT_TRUE(line.rfind("File ", 0) != 0 || line.find("good.bin") != std::string::npos)
            << line;
    }
}

TEST_F(DatArchive, MemberRunningPastTheEndKeepsWhatTheArchiveHolds) {
    const auto a = patternBytes(100, 1);
    const auto b = patternBytes(50, 2);
    const auto c = patternBytes(20, 3);
    DatSpec shape;
    shape.members = {{"a.bin", a, {}, {}}, {"b.bin", b, {}, 0xFFFFFFFF}, {"c.bin", c, {}, {}}};
    const std::string archive = writeArchive(shape);
    EXPECT_EQ(run.run({archive, "-unpack", temp.str() + "\\out"}), 0);

    EXPECT_EQ(readFile(outputFile("a.bin")), a);
    EXPECT_EQ(readFile(outputFile("b.bin")), concat(b, c));
    // The archive failed at its end: the later entry is never read.
    EXPECT_FALSE(std::filesystem::exists(outputFile("c.bin")));
    EXPECT_TRUE(hasLine(lines(), "Error - report num files is 3, actual is 2"));
    EXPECT_EQ(lines().back().rfind("Largest MIP size", 0), 0u);  // the run went on
}

TEST_F(DatArchive, MemberBeyondTheEndIsWrittenEmpty) {
    DatSpec shape;
    shape.members = {{"a.bin", patternBytes(10), 1'000'000, {}},
                     {"b.bin", patternBytes(10), {}, {}}};
    read(writeArchive(shape), true, outputFolder());
    EXPECT_TRUE(readFile(outputFile("a.bin")).empty());
    EXPECT_TRUE(hasLine(lines(), "Error - report num files is 2, actual is 1"));
}

TEST_F(DatArchive, TruncatedDirectoryListsTheEntriesBeforeTheCut) {
    DatSpec shape;
    for (int i = 0; i < 4; ++i) {
        shape.members.push_back({fmt::format("m{}.bin", i), patternBytes(10), {}, {}});
    }
    shape.truncateTo = test::datDataStart(2) + 14;  // inside the third entry's name
    read(writeArchive(shape), false, "");
    ASSERT_EQ(catalogue.files.size(), 2u);
    EXPECT_EQ(catalogue.files[1].name, "m1.bin");
    EXPECT_TRUE(hasLine(lines(), "Error - report num files is 4, actual is 2"));
}

TEST_F(DatArchive, CountBeyondTheArchiveIsNotTrusted) {
    DatSpec shape;
    shape.members = {{"a.bin", patternBytes(10), {}, {}}};
    shape.count = 65535;
    shape.truncateTo = test::datDataStart(1);  // the directory entry and nothing else
    read(writeArchive(shape), false, "");
    ASSERT_EQ(catalogue.files.size(), 1u);
    EXPECT_EQ(catalogue.fileCount, 65535);
    EXPECT_TRUE(hasLine(lines(), "Error - report num files is 65535, actual is 1"));
}

TEST_F(DatArchive, ThirteenByteNameUnpacksUnderItsFullName) {
    DatSpec shape;
    shape.members = {{"longname1.mip", patternBytes(64), {}, {}},
                     {"b.bin", patternBytes(8), {}, {}}};
    read(writeArchive(shape), true, outputFolder());
    ASSERT_EQ(catalogue.files.size(), 2u);
    EXPECT_EQ(catalogue.files[0].name, outputFolder() + "longname1.mip");
    EXPECT_EQ(readFile(outputFile("longname1.mip")), patternBytes(64));
}

TEST_F(DatArchive, MixedCaseSourceIsTakenAsAnArchiveByAWholeRun) {
    DatSpec shape;
    shape.members = {{"a.bin", patternBytes(77), {}, {}}};
    test::writeFile(temp / "T" / "Monza.DAT", buildDat(shape));
    const std::string typed = temp.str() + "/T/Monza.DAT";
    EXPECT_EQ(run.run({typed, "-unpack", temp.str() + "/out"}), 0);
    EXPECT_EQ(lines().front(), "Scanning DAT file: " + toLowerAscii(typed));
    EXPECT_EQ(readFile(outputFile("a.bin")), patternBytes(77));
}

TEST(DatArchiveEndToEnd, UnpacksATrackArchive) {
    test::TempDir temp;
    test::MipSpec wall;
    wall.width = 64;
    wall.heightMinus2 = 30;
    wall.numMips = 3;
    test::MipSpec road;
    road.width = 128;
    road.heightMinus2 = 62;
    DatSpec shape;
    shape.members = {{"sunny.pcx", test::buildPcx(test::gradientPalette()), {}, {}},
                     {"wall.mip", test::buildMip(wall), {}, {}},
                     {"road.mip", test::buildMip(road), {}, {}},
                     {"track.3do", patternBytes(4000, 5), {}, {}}};
    test::writeFile(temp / "track.dat", buildDat(shape));

    const std::string archive = (temp / "track.dat").string();
    test::ProcessOptions options;
    options.tmpdir = temp.path();
    const test::ProcessResult result =
        test::runVexmor({archive, "-unpack", (temp / "out").string()}, options);
    EXPECT_EQ(result.exitCode, 0) << result.output;
    for (const DatMember& member : shape.members) {
        EXPECT_EQ(readFile(temp / "out" / member.name), member.bytes) << member.name;
    }
    const std::vector<std::string> lines = result.lines();
    ASSERT_EQ(lines.size(), 5u) << result.output;  // the scan line, then the statistics
    EXPECT_EQ(lines[0], "Scanning DAT file: " + toLowerAscii(archive));
    EXPECT_EQ(lines[1].rfind("Num paletted 0, Num mips 0,", 0), 0u);
}

}  // namespace
}  // namespace vexmor
