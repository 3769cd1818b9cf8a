// Inputs that the fuzz targets (fuzz/) found to hang the tool or make it allocate far beyond
// the file's size, fed to the same entry points, plus the honest files on the other side of each
// bound.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/limits.h"
#include "app/text.h"
#include "archive/dat_archive.h"
#include "catalogue/source_catalogue.h"
#include "export/mi4_export.h"
#include "export/mip_export.h"
#include "mesh/mesh_file.h"
#include "mesh/mesh_rewrite.h"
#include "support/captured_run.h"
#include "support/dat_builder.h"
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
    readMip(run.context, image, path, true);
    EXPECT_EQ(run.lines(), std::vector<std::string>{refusal});
    EXPECT_TRUE(image.levels.empty());
}

TEST_F(HostileInputTest, AMipCutToHalfItsLengthStillReadsWithZeros) {
    const MipSpec shape = mipSpec(64, 62, 2);
    Bytes bytes = buildMip(shape);
    bytes.resize(bytes.size() / 2);
    const std::string path = put("half.mip", bytes);
    MipImage image;
    readMip(run.context, image, path, true);
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
    readMip(run.context, image, path, true);
    EXPECT_EQ(run.lines(), std::vector<std::string>{"Error - MIP " + path +
                                                    " claims 65 levels, more than the 64 a "
                                                    "texture may have"});
    EXPECT_TRUE(image.levelRecords.empty());

    run.clearOutput();
    readMip(run.context, image, put("most.mip", mipWithLevelCount(limits::kMaxMipLevels)), true);
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
