// Runs of the real tool into output folders it must not take: folders of other files, the
// source under another spelling or another name, links; the marker that makes a folder the
// tool's own and the lock that keeps a second run out; and a source holding entries the scan
// cannot use. Every refusal leaves the folders byte for byte as they were.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/mount.h>
#endif

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "common/text.h"
#include "platform/output_marker.h"
#include "support/captured_run.h"
#include "support/dat_builder.h"
#include "support/mip_builder.h"
#include "support/pcx_builder.h"
#include "support/source_snapshot.h"
#include "support/temp_dir.h"
#include "support/vexmor_process.h"

namespace vexmor::test {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kStatisticsEnd = "Largest MIP size ";
constexpr std::string_view kMarker = ".vexmor-output";

class OutputOwnershipTest : public ::testing::Test {
protected:
    OutputOwnershipTest() {
        writeFile(dir / "Cars/sunny.pcx", buildPcx(gradientPalette()));
        writeFile(dir / "Cars/a.mip", buildMip(mipSpec(16, 16, 2)));
        writeFile(dir / "Cars/Team/b.mip", buildMip(mipSpec(16, 16, 2)));
    }
    std::string source() const { return dir.str() + "/Cars"; }
    std::string out() const { return dir.str() + "/Out"; }
    ProcessResult run(const std::vector<std::string>& args) {
        return runVexmor(args, ProcessOptions({}, dir.path()));
    }
    static std::string refusedForeign(const std::string& folder) {
        return "Error - refusing to remove output folder " + folder +
               "\\ because it holds files vexmor did not write";
    }

    TempDir dir;
};

// A folder of the user's (a home folder, a team folder inside the source) is neither emptied nor
// written; a folder that is empty, missing or the tool's own is taken and marked, and a rerun
// replaces its own output.
TEST_F(OutputOwnershipTest, OnlyEmptyOrMarkedFoldersAreReplaced) {
    writeFile(dir / "Home/notes.txt", "mine");
    writeFile(dir / "Home/Docs/letter.txt", "also mine");
    const SourceSnapshot home(dir / "Home");
    const SourceSnapshot cars(dir / "Cars");

    ProcessResult result = run({source(), "-convert", dir.str() + "/Home"});
    EXPECT_EQ(result.exitCode, 3) << result.output;
    EXPECT_TRUE(hasLine(result.lines(), refusedForeign(dir.str() + "/Home"))) << result.output;
    result = run({source(), "-convert", source() + "/Team"});
    EXPECT_EQ(result.exitCode, 3) << result.output;
    home.expectUnchanged();
    cars.expectUnchanged();

    // Missing: made and marked. Empty: taken over.
    fs::create_directory(dir / "Empty");
    for (const std::string& folder : {out(), dir.str() + "/Empty"}) {
        result = run({source(), "-convert", folder});
        EXPECT_EQ(result.exitCode, 0) << result.output;
        EXPECT_TRUE(fs::is_regular_file(fs::path(folder) / "Team/b.mip")) << folder;
        EXPECT_TRUE(fs::is_regular_file(fs::path(folder) / kMarker)) << folder;
    }
    // A rerun into its own output replaces it; the marker is neither listed nor converted.
    writeFile(dir / "Out/stale.txt", "left from before");
    result = run({out(), "-palette", source() + "/sunny.pcx", "-explode", dir.str() + "/Png"});
    EXPECT_EQ(result.exitCode, 0) << result.output;
    result = run({source(), "-info", "-convert", out()});
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_FALSE(fs::exists(dir / "Out/stale.txt"));
    EXPECT_TRUE(fs::is_regular_file(dir / "Out/a.mip"));
    EXPECT_TRUE(fs::is_regular_file(dir / "Out" / kMarker));
    EXPECT_EQ(listFiles(dir / "Png").size(), 4u);  // two levels of two MIPs
    cars.expectUnchanged();
}

// While one run holds the output folder, a second refuses before touching anything.
TEST_F(OutputOwnershipTest, ASecondRunIntoAFolderInUseIsRefused) {
    ASSERT_EQ(run({source(), "-convert", out()}).exitCode, 0);
    platform::MarkerLock held;
    std::string failure;
    ASSERT_EQ(platform::lockOutputMarker(out(), held, failure), platform::LockOutcome::locked)
        << failure;
    const SourceSnapshot before(dir / "Out");

    const ProcessResult second = run({source(), "-convert", out()});
    EXPECT_EQ(second.exitCode, 3) << second.output;
    EXPECT_TRUE(hasLine(second.lines(),
                        "Error - output folder " + out() + "\\ is in use by another vexmor run"))
        << second.output;
    before.expectUnchanged();
}

// An archive unpacked into the output folder is the run's input: the driver keeps it.
TEST_F(OutputOwnershipTest, UnpackWithInfoKeepsEveryMember) {
    DatSpec shape;
    shape.members = {{"a.txt", patternBytes(10, 1), {}, {}},
                     {"b.mip", patternBytes(20, 2), {}, {}}};
    writeFile(dir / "x.dat", buildDat(shape));
    const ProcessResult result = run({dir.str() + "/x.dat", "-unpack", out(), "-info"});
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_EQ(readFile(dir / "Out/a.txt"), patternBytes(10, 1));
    EXPECT_EQ(readFile(dir / "Out/b.mip"), patternBytes(20, 2));
    EXPECT_TRUE(fs::is_regular_file(dir / "Out" / kMarker));
}

// Names taken from files are shown with their control bytes escaped.
TEST_F(OutputOwnershipTest, ControlBytesInMemberNamesAreShownEscaped) {
    DatSpec shape;
    shape.members = {{"a\x1B[2K\rb.txt", patternBytes(10, 1), {}, {}}};
    writeFile(dir / "x.dat", buildDat(shape));
    const ProcessResult result = run({dir.str() + "/x.dat", "-info"});
    EXPECT_TRUE(hasLine(result.lines(), "File a\\x1B[2K\\x0Db.txt, offset " +
                                            std::to_string(datDataStart(1)) + ", length 10"))
        << result.output;
    EXPECT_EQ(result.output.find('\x1B'), std::string::npos);
}

#ifndef _WIN32
// To the tool f2/Car and f2/car are one folder, and a bind mount or link is the folder it shows:
// each is refused, and nothing is removed or written.
TEST_F(OutputOwnershipTest, TheSourceIsSeenUnderEveryNameTheToolSees) {
    writeFile(dir / "f2/car/a.mip", buildMip(mipSpec(16, 16, 2)));
    writeFile(dir / "f2/Car/mine.txt", "mine");
    fs::create_directory(dir / "f2/Mounted");
    writeFile(dir / "Target/mine.txt", "mine");
    fs::create_directory_symlink(dir / "Target", dir / "Link");
    const SourceSnapshot f2(dir / "f2");
    const SourceSnapshot target(dir / "Target");

    const std::string car = dir.str() + "/f2/car";
    ProcessResult result = run({car, "-convert", dir.str() + "/f2/Car"});
    EXPECT_EQ(result.exitCode, 3) << result.output;
    EXPECT_TRUE(hasLine(result.lines(), "Error - refusing to remove output folder " + dir.str() +
                                            "/f2/Car\\ because it holds the source folder " + car +
                                            "\\"))
        << result.output;
    result = run({car, "-convert", dir.str() + "/Link"});
    EXPECT_EQ(result.exitCode, 3) << result.output;
    EXPECT_TRUE(hasLine(result.lines(), "Error - refusing to use output folder " + dir.str() +
                                            "/Link\\ because it is a link"))
        << result.output;
    f2.expectUnchanged();
    target.expectUnchanged();

    if (::mount((dir / "f2/car").c_str(), (dir / "f2/Mounted").c_str(), nullptr, MS_BIND,
                nullptr) != 0) {
        GTEST_SKIP() << "bind mounts are not allowed here";
    }
    result = run({car, "-convert", dir.str() + "/f2/Mounted"});
    ::umount((dir / "f2/Mounted").c_str());
    EXPECT_EQ(result.exitCode, 3) << result.output;
    f2.expectUnchanged();
}

// Replacing its own output, the tool removes links found there as links, whatever their case.
TEST_F(OutputOwnershipTest, ReplacingAnOutputNeverFollowsALinkInIt) {
    ASSERT_EQ(run({source(), "-convert", out()}).exitCode, 0);
    writeFile(dir / "Elsewhere/keep.txt", "kept");
    fs::create_directory_symlink(dir / "Elsewhere", dir / "Out/TEAM");
    fs::create_symlink(dir / "Elsewhere/keep.txt", dir / "Out/A.MIP");
    const SourceSnapshot elsewhere(dir / "Elsewhere");

    const ProcessResult result = run({source(), "-convert", out()});
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "Out/TEAM")));
    EXPECT_FALSE(fs::is_symlink(dir / "Out/A.MIP"));
    elsewhere.expectUnchanged();
}

// The report is never opened through a link, however the run ends.
TEST_F(OutputOwnershipTest, TheReportIsNotWrittenThroughALink) {
    writeFile(dir / "victim.txt", "precious");
    fs::create_symlink(dir / "victim.txt", dir / "mi433.csv");
    const ProcessResult result = run({source(), "-convert", out()});
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_TRUE(hasLine(result.lines(), "Error - the report " + dir.str() +
                                            "/mi433.csv is not a regular file; no report is "
                                            "written in this run"))
        << result.output;
    EXPECT_EQ(readText(dir / "victim.txt"), "precious");
}

// Entries the scan cannot use are each passed over with one line; everything else converts, and
// nothing is written outside the output folder.
TEST_F(OutputOwnershipTest, TheScanSkipsWhatItCannotUseAndGoesOn) {
    writeFile(dir / "Cars/..\\..\\game\\wall.mip", buildMip(mipSpec(16, 16, 2)));
    fs::create_symlink("loop.mip", dir / "Cars/loop.mip");
    fs::create_symlink(dir / "nothing", dir / "Cars/gone.mip");
    writeFile(dir / "Cars/Old/.vexmor-output", "");
    writeFile(dir / "Cars/Old/c.mip", buildMip(mipSpec(16, 16, 2)));
    writeFile(dir / "Cars/.vexmor-output", "");  // a marked source is scanned as usual

    const ProcessResult result = run({source(), "-convert", out()});
    const std::vector<std::string> lines = result.lines();
    EXPECT_EQ(result.exitCode, 0) << result.output;
    const std::string base = toLowerAscii(dir.str() + "/Cars/");  // the source is lower-cased
    EXPECT_TRUE(hasLine(lines, "Scan: skipped " + base +
                                   "..\\..\\game\\wall.mip because its name holds a \\, which "
                                   "path texts read as a separator"))
        << result.output;
    EXPECT_TRUE(
        hasLine(lines, "Scan: skipped " + base + "gone.mip because it is a link to nothing"))
        << result.output;
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.starts_with("Scan: skipped " + base + "loop.mip (");
    })) << result.output;
    EXPECT_TRUE(hasLine(lines, "Scan: skipped " + base +
                                   "Old/ because it holds the output of an earlier vexmor run"))
        << result.output;
    EXPECT_EQ(listFiles(dir / "Out"), (std::vector<std::string>{"Team/b.mip", "a.mip"}));
    EXPECT_FALSE(fs::exists(dir / "game"));
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(lines.back().starts_with(kStatisticsEnd)) << result.output;
    EXPECT_EQ(readFile(dir / "Cars/..\\..\\game\\wall.mip"), buildMip(mipSpec(16, 16, 2)));
    EXPECT_EQ(readFile(dir / "Cars/Old/c.mip"), buildMip(mipSpec(16, 16, 2)));
}
#endif  // _WIN32

}  // namespace
}  // namespace vexmor::test
