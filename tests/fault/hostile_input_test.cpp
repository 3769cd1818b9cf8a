// Inputs that hang the tool or make it work or allocate far beyond the file's size, found by the
// fuzz targets (fuzz/) or crafted, fed to the same entry points, plus the honest files on the
// other side of each bound.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/limits.h"
#include "archive/dat_archive.h"
#include "catalogue/source_catalogue.h"
#include "common/text.h"
#include "export/mi4_export.h"
#include "export/mip_export.h"
#include "mesh/mesh_file.h"
#include "mesh/mesh_rewrite.h"
#include "support/captured_run.h"
#include "support/dat_builder.h"
#include "support/mesh_builder.h"
#include "support/mip_builder.h"
#include "support/temp_dir.h"
#include "texture/mip_file.h"

namespace vexmor::test {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

class HostileInputTest : public ::testing::Test {
protected:
    HostileInputTest() { fs::create_directories(dir / "out"); }

    std::string put(const std::string& name, const Bytes& bytes) {
        writeFile(dir / "src" / name, bytes);
        return (dir / "src" / name).string();
    }
    std::string source() const { return dir.str() + "/src/"; }
    std::string output() const { return dir.str() + "/out/"; }

    CapturedRun run;
    TempDir dir;
};

// mip_fuzz: 52 bytes whose header claims one level 16777224 pixels wide. The MIP pass read 33
// MiB of zeros, built a 128 MiB image and converted it, for seconds on end.
const Bytes kWideMip = {0x30, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00,
                        0x01, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00,
                        0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0xfc, 0xff, 0xff, 0xff, 0x22,
                        0x00, 0x00, 0x00, 0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07,
                        0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0a};

TEST_F(HostileInputTest, AMipClaimingFarMoreLevelBytesThanItsFileIsRefused) {
    const std::string path = put("wide.mip", kWideMip);
    run.context.options.explode = true;
    SourceCatalogue catalogue;
    catalogue.paletteLoaded = true;
    catalogue.paletteColours.assign(256, 0xFF000000u);
    MipImage image;
    processMipFile(run.context, catalogue, image, path, true, source(), output(), false);

    const std::string refusal = "Error - MIP " + path +
                                " claims 33554448 bytes of level data, far more than its 52 " +
                                "bytes can hold";
    EXPECT_EQ(run.lines(), std::vector<std::string>{refusal});
    EXPECT_TRUE(image.levels.empty());
    EXPECT_EQ(image.header.numMips, 0u);
    EXPECT_TRUE(listFiles(dir / "out").empty());

    run.clearOutput();
    readMip(run.context.console, image, path, true);
    EXPECT_EQ(run.lines(), std::vector<std::string>{refusal});
    EXPECT_TRUE(image.levels.empty());
}

TEST_F(HostileInputTest, AMipCutToHalfItsLengthStillReadsWithZeros) {
    const MipSpec shape = mipSpec(64, 62, 2);
    Bytes bytes = buildMip(shape);
    bytes.resize(bytes.size() / 2);
    const std::string path = put("half.mip", bytes);
    MipImage image;
    readMip(run.context.console, image, path, true);
    EXPECT_EQ(run.output(), "");
    ASSERT_EQ(image.levels.size(), 2u);
    EXPECT_EQ(image.levels[1], Bytes(32 * 33, 0));
}

// A header whose level count the file holds, but past any texture's: the levels beyond 32
// are empty, and each would still cost a record, statistics and a warning line.
Bytes mipWithLevelCount(std::uint32_t numMips) {
    Bytes bytes = buildMip(mipSpec(4, 2, 1));
    bytes[16] = static_cast<std::uint8_t>(numMips);
    bytes.resize(24 + 12 * std::size_t{numMips} + 64, 0);
    return bytes;
}

TEST_F(HostileInputTest, ALevelCountAboveTheBoundIsRefusedEvenWhenTheFileHoldsIt) {
    const std::string path = put("many.mip", mipWithLevelCount(limits::kMaxMipLevels + 1));
    MipImage image;
    readMip(run.context.console, image, path, true);
    EXPECT_EQ(run.lines(), std::vector<std::string>{"Error - MIP " + path +
                                                    " claims 65 levels, more than the 64 a "
                                                    "texture may have"});
    EXPECT_TRUE(image.levelRecords.empty());

    run.clearOutput();
    readMip(run.context.console, image, put("most.mip", mipWithLevelCount(limits::kMaxMipLevels)),
            true);
    EXPECT_EQ(run.output(), "");
    EXPECT_EQ(image.levelRecords.size(), limits::kMaxMipLevels);
}

TEST_F(HostileInputTest, AnMi4LevelCountAboveTheBoundIsRefused) {
    Bytes bytes(24 + 12 * 65 + 32, 0);
    bytes[8] = 4;
    bytes[12] = 4;
    bytes[16] = 65;
    put("many.mi4", bytes);
    run.context.options.explode = true;
    processMi4File(run.context, "many.mi4", source(), output() + "many.mi4");
    EXPECT_EQ(run.lines(),
              std::vector<std::string>{
                  "Mi4 many.mi4: 65 mip levels are more than the 64 a texture may have"});
    EXPECT_TRUE(listFiles(dir / "out").empty());
}

// mesh_fuzz: a 52-byte mesh whose root is a list naming itself twice. Every visit doubled the
// queue, so the walk ran to a million visits and a trace of as many lines.
const Bytes kSelfListMesh = {0xd0, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00,
                             0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x63, 0x61,
                             0x72, 0x31, 0x00, 0x00, 0x00, 0x00, 0x63, 0x61, 0x72, 0x00, 0x00,
                             0x00, 0x00, 0x00, 0x0b, 0x00, 0x00, 0x80, 0x02, 0x00, 0x00, 0x00,
                             0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};

TEST_F(HostileInputTest, ACyclicMeshOfAFewBytesStopsAtTheVisitBound) {
    put("car.3do", kSelfListMesh);
    MeshFile mesh;
    rewriteMesh(run.context, mesh, "car.3do", dir.str() + "/src", dir.str() + "/out\\", true,
                false);

    const std::vector<std::string> lines = run.lines();
    const std::string meshPath = toLowerAscii(dir.str() + "/src\\car.3do");
    EXPECT_TRUE(hasLine(lines, "Error - 3DO " + meshPath + ": walk stopped after " +
                                   std::to_string(limits::kMinNodeVisitsPerMesh) + " node visits"));
    // The mesh names itself as a nested mesh too: that one is skipped, the copy still made.
    EXPECT_TRUE(fs::is_regular_file(dir / "out/car.3do"));
}

// A 44-byte mesh whose one node selects a texture and names itself as its child: every walk of
// it runs to the visit bound.
Bytes selfLoopingTextureMesh(std::int32_t mipIndex) {
    MeshBuilder mesh;
    mesh.mips({"car1"});
    mesh.textureSelection(mipIndex, 0);
    return mesh.build();
}

// Each of the thousand references used to rewrite the nested mesh again, a million visits each.
// Now the nested walks share what the top-level mesh's own walk leaves of one budget, and the
// references past it are skipped with one line.
TEST_F(HostileInputTest, ACyclicNestedMeshNamedAThousandTimesSharesOneVisitBudget) {
    const Bytes wheel = selfLoopingTextureMesh(0);
    ASSERT_EQ(wheel.size(), 44u);
    put("wheel.3do", wheel);
    MeshBuilder car;
    car.mips({"car1"}).meshes(std::vector<std::string>(1000, "wheel"));
    car.textureSelection(0, 0);
    put("car.3do", car.build());
    MeshFile mesh;
    rewriteMesh(run.context, mesh, "car.3do", dir.str() + "/src", output(), true, false);

    const std::string carPath = toLowerAscii(dir.str() + "/src\\car.3do");
    const std::string wheelPath = toLowerAscii(dir.str() + "/src\\wheel.3do");
    // The texture node counts each visit: the top-level walk keeps its whole bound, the nested
    // walks share the rest.
    const std::uint64_t walkBound = limits::kMinNodeVisitsPerMesh;
    const std::uint64_t budget = limits::kMinNodeVisitsPerRewrite;
    EXPECT_EQ(run.context.meshTextureNodes[carPath], walkBound);
    EXPECT_EQ(run.context.meshTextureNodes[wheelPath], budget - walkBound);
    const std::vector<std::string> lines = run.lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(),
                         "Error - 3DO " + wheelPath + ": walk stopped after " +
                             std::to_string(walkBound) + " node visits"),
              static_cast<std::ptrdiff_t>((budget - walkBound) / walkBound));
    EXPECT_TRUE(hasLine(lines, "Error - 3DO " + carPath + ": node visit budget of " +
                                   std::to_string(budget) +
                                   " spent; nested mesh wheel.3do and the rest are skipped"));
    EXPECT_LT(lines.size(), 10u);
    EXPECT_TRUE(fs::is_regular_file(dir / "out/car.3do"));
}

// A node that loops to itself with a texture number out of range used to print its error line
// at each of its million visits.
TEST_F(HostileInputTest, ASelfLoopingTextureNodePrintsABoundedNumberOfLines) {
    put("car.3do", selfLoopingTextureMesh(5));
    MeshFile mesh;
    rewriteMesh(run.context, mesh, "car.3do", dir.str() + "/src", output(), true, false);

    const std::string carPath = toLowerAscii(dir.str() + "/src\\car.3do");
    const std::uint64_t visits = limits::kMinNodeVisitsPerMesh;
    const std::uint64_t shown = limits::kMaxErrorLinesPerWalk;
    const std::vector<std::string> lines = run.lines();
    ASSERT_EQ(lines.size(), shown + 2);
    EXPECT_EQ(lines.front(), "Error - 3DO " + carPath +
                                 ": flavour 80000004 - texture mip file number is out of range "
                                 "5/(0-0)");
    EXPECT_EQ(lines[shown - 1], lines.front());
    EXPECT_EQ(lines[shown], "Error - 3DO " + carPath + ": walk stopped after " +
                                std::to_string(visits) + " node visits");
    EXPECT_EQ(lines[shown + 1], "Error - 3DO " + carPath + ": " + std::to_string(visits - shown) +
                                    " more error lines left out");
}

// 65,535 entries that each span the whole 1.77 MB archive used to write 65,535 copies of it.
// Members are written while they fit the bound, whole; the rest are skipped with two lines.
TEST_F(HostileInputTest, AnArchiveOfOverlappingMembersUnpacksABoundedNumberOfBytes) {
    constexpr std::size_t kEntries = 65535;
    const std::size_t archiveSize = datDataStart(kEntries);
    DatSpec shape;
    for (std::size_t i = 0; i < kEntries; ++i) {
        shape.members.push_back(
            {fmt::format("m{:05}.bin", i), {}, 1, static_cast<std::uint32_t>(archiveSize - 1)});
    }
    const std::string path = put("track.dat", buildDat(shape));
    SourceCatalogue catalogue;
    readDatArchive(run.context, catalogue, path, true, output());

    const std::uint64_t bound =
        archiveSize * limits::kUnpackedBytesPerArchiveByte + limits::kUnpackedBytesAllowance;
    const std::uint64_t written = (archiveSize - 1) * listFiles(dir / "out").size();
    EXPECT_LE(written, bound);
    EXPECT_GT(written + archiveSize, bound);
    const std::size_t unpacked = catalogue.files.size();
    EXPECT_EQ(unpacked, listFiles(dir / "out").size());
    EXPECT_EQ(fs::file_size(dir / "out/m00000.bin"), archiveSize - 1);
    EXPECT_EQ(
        run.lines(),
        (std::vector<std::string>{
            "Scanning DAT file: " + path,
            fmt::format("Error - DAT file {}: member m{:05}.bin would take the unpacked "
                        "bytes past {}; skipped",
                        path, unpacked, bound),
            fmt::format("Error - DAT file {}: {} more members past the unpacked bytes "
                        "bound skipped",
                        path, kEntries - unpacked - 1),
            fmt::format("Error - report num files is {}, actual is {}", kEntries, unpacked)}));
}

// An archive unpacked into its own folder that holds a member of its own name (in any case):
// writing that member would empty the archive while it is read.
TEST_F(HostileInputTest, AMemberNamedAfterTheArchiveDoesNotOverwriteIt) {
    DatSpec shape;
    shape.members = {{"a.txt", patternBytes(10, 1), {}, {}},
                     {"TRACK.DAT", patternBytes(20, 2), {}, {}},
                     {"b.txt", patternBytes(30, 3), {}, {}}};
    const Bytes archive = buildDat(shape);
    const std::string path = put("track.dat", archive);
    SourceCatalogue catalogue;
    readDatArchive(run.context, catalogue, path, true, dir.str() + "/src\\");

    EXPECT_EQ(readFile(dir / "src/track.dat"), archive);
    EXPECT_EQ(run.lines(),
              (std::vector<std::string>{
                  "Scanning DAT file: " + path,
                  "Error - member TRACK.DAT would overwrite the archive itself; skipped",
                  "Error - report num files is 3, actual is 2"}));
    EXPECT_EQ(readFile(dir / "src/b.txt"), patternBytes(30, 3));
}

// Output left from an earlier run may hold links to the archive under a member's name: writing
// through one would empty the archive just the same.
TEST_F(HostileInputTest, AMemberLinkedToTheArchiveDoesNotOverwriteIt) {
    DatSpec shape;
    shape.members = {{"HARD.DAT", patternBytes(10, 1), {}, {}},
                     {"SOFT.DAT", patternBytes(20, 2), {}, {}},
                     {"b.txt", patternBytes(30, 3), {}, {}}};
    const Bytes archive = buildDat(shape);
    const std::string path = put("track.dat", archive);
    fs::create_hard_link(path, dir / "out/hard.dat");
    bool linked = true;
    try {
        fs::create_symlink(path, dir / "out/Soft.dat");
    } catch (const fs::filesystem_error&) {
        linked = false;  // Windows allows symbolic links to privileged users only
    }
    SourceCatalogue catalogue;
    readDatArchive(run.context, catalogue, path, true, output());

    EXPECT_EQ(readFile(dir / "src/track.dat"), archive);
    const std::vector<std::string> lines = run.lines();
    EXPECT_TRUE(
        hasLine(lines, "Error - member HARD.DAT would overwrite the archive itself; skipped"));
    EXPECT_EQ(hasLine(lines, "Error - member SOFT.DAT would overwrite the archive itself; skipped"),
              linked);
    EXPECT_EQ(readFile(dir / "out/b.txt"), patternBytes(30, 3));
}

}  // namespace
}  // namespace vexmor::test
