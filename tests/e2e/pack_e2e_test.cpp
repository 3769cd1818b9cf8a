// The built binary packing folders into DAT archives and reading them back with its own listing
// and unpacking.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/captured_run.h"
#include "support/dat_builder.h"
#include "support/temp_dir.h"
#include "support/vexmor_process.h"

namespace vexmor::test {
namespace {

namespace fs = std::filesystem;

// The "File {}, offset {}, length {}" lines of a run, in order.
std::vector<std::string> memberLines(const ProcessResult& result) {
    std::vector<std::string> members;
    for (const std::string& line : result.lines()) {
        if (line.starts_with("File ")) {
            members.push_back(line);
        }
    }
    return members;
}

class PackEndToEnd : public ::testing::Test {
protected:
    ProcessResult run(const std::vector<std::string>& args, std::uint64_t fileSizeLimit = 0) {
        ProcessOptions options({}, dir.path());
        options.fileSizeLimit = fileSizeLimit;
        return runVexmor(args, options);
    }
    // Every file below `root` with its bytes.
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> contents(
        const fs::path& root) const {
        std::vector<std::pair<std::string, std::vector<std::uint8_t>>> files;
        for (const std::string& name : listFiles(root)) {
            files.emplace_back(name, readFile(root / name));
        }
        return files;
    }

    TempDir dir;
};

// Sizes around the copy piece of 131,072 bytes, an empty file, names in any case.
TEST_F(PackEndToEnd, UnpackingAPackedFolderGivesEveryFileBackByteForByte) {
    writeFile(dir / "Monza/SUNNY.PCX", patternBytes(131072, 1));
    writeFile(dir / "Monza/wall.mip", patternBytes(131073, 2));
    writeFile(dir / "Monza/Road.Mip", patternBytes(400000, 3));
    writeFile(dir / "Monza/pits.3do", patternBytes(1, 4));
    writeFile(dir / "Monza/empty.txt", std::string());
    const std::string archive = dir.str() + "/Monza.dat";

    const ProcessResult packed = run({dir.str() + "/Monza", "-pack", archive, "-info"});
    ASSERT_EQ(packed.exitCode, 0) << packed.output;
    EXPECT_TRUE(hasLine(packed.lines(), "Packed 5 files into " + archive + " (662283 bytes)"))
        << packed.output;
    const ProcessResult unpacked = run({archive, "-unpack", dir.str() + "/Out"});
    ASSERT_EQ(unpacked.exitCode, 0) << unpacked.output;
    const ProcessResult listed = run({archive, "-info"});

    EXPECT_EQ(contents(dir / "Out"), contents(dir / "Monza"));
    EXPECT_EQ(memberLines(listed), memberLines(packed));
    EXPECT_EQ(memberLines(packed).size(), 5u);
}

// An archive whose members lie in the scan's order, back to back: unpacked and packed again, it
// lists the same members at the same offsets with the same lengths and unpacks to the same bytes.
TEST_F(PackEndToEnd, PackingAnUnpackedArchiveGivesTheSameMembers) {
    DatSpec shape;
    shape.members = {{"BRIDGE.3DO", patternBytes(5000, 1), {}, {}},
                     {"sunny.pcx", patternBytes(900, 2), {}, {}},
                     {"Wall.mip", patternBytes(140000, 3), {}, {}}};
    writeFile(dir / "Monza.dat", buildDat(shape));
    const std::string original = dir.str() + "/Monza.dat";
    const std::string repacked = dir.str() + "/Again.dat";

    ASSERT_EQ(run({original, "-unpack", dir.str() + "/Monza"}).exitCode, 0);
    ASSERT_EQ(run({dir.str() + "/Monza", "-pack", repacked}).exitCode, 0);
    const ProcessResult first = run({original, "-info"});
    const ProcessResult second = run({repacked, "-info"});
    ASSERT_EQ(run({repacked, "-unpack", dir.str() + "/Again"}).exitCode, 0);

    EXPECT_EQ(memberLines(first).size(), 3u) << first.output;
    EXPECT_EQ(memberLines(second), memberLines(first));
    EXPECT_EQ(contents(dir / "Again"), contents(dir / "Monza"));
}

TEST_F(PackEndToEnd, AnEmptyFolderGivesAnArchiveWithNoMembers) {
    fs::create_directory(dir / "Empty");
    const std::string archive = dir.str() + "/Empty.dat";

    const ProcessResult packed = run({dir.str() + "/Empty", "-pack", archive});
    ASSERT_EQ(packed.exitCode, 0) << packed.output;
    EXPECT_EQ(readFile(archive), (std::vector<std::uint8_t>{0, 0}));
    const ProcessResult listed = run({archive, "-info"});
    EXPECT_TRUE(hasLine(listed.lines(), "DAT file reportedly contains 0 files")) << listed.output;
    EXPECT_TRUE(memberLines(listed).empty());
    EXPECT_EQ(listed.output.find("Error"), std::string::npos) << listed.output;
}

// The disk fills while the archive is written: the one already there is kept as it was, and
// nothing is left beside it.
TEST_F(PackEndToEnd, AFullDiskLeavesTheOldArchiveAsItWas) {
#ifdef _WIN32
    GTEST_SKIP() << "the full disk is a POSIX file-size limit";
#endif
    writeFile(dir / "Monza/wall.mip", patternBytes(300000));
    writeFile(dir / "Monza.dat", "the old archive");
    const std::string archive = dir.str() + "/Monza.dat";

    const ProcessResult packed = run({dir.str() + "/Monza", "-pack", archive}, 100000);

    EXPECT_EQ(packed.exitCode, 4) << packed.output;
    EXPECT_TRUE(hasLine(packed.lines(), "Error - could not write " + archive + ": File too large"))
        << packed.output;
    EXPECT_EQ(readText(dir / "Monza.dat"), "the old archive");
    EXPECT_EQ(listFiles(dir.path()),
              (std::vector<std::string>{"Monza.dat", "Monza/wall.mip", "mi433.csv"}));
}

}  // namespace
}  // namespace vexmor::test
