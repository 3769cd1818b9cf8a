// The built binary unpacking a track archive and converting what it unpacked.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/text.h"
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
using vexmor::toLowerAscii;

TEST(DatTrackEndToEnd, UnpackThenConvertTheUnpackedFolderAsATrack) {
    TempDir dir;
    MeshBuilder mesh;
    mesh.mips({"Wall"});
    mesh.textureSelection(
        0, mesh.texturedPolygon({mesh.vertex(0, 0, 0, {0, 0}), mesh.vertex(1, 0, 0, {8, 0}),
                                 mesh.vertex(0, 1, 0, {0, 8})}));
    DatSpec shape;
    shape.members = {{"SUNNY.PCX", buildPcx(gradientPalette()), {}, {}},
                     {"wall.mip", buildMip(mipSpec(64, 62, 3)), {}, {}},
                     unusedDatEntry(),
                     {"Road.MIP", buildMip(mipSpec(16, 14, 1)), {}, {}},
                     {"pits.3do", mesh.build(), {}, {}}};
    writeFile(dir / "Tracks/Monza.DAT", buildDat(shape));
    const SourceSnapshot archive(dir / "Tracks");

    const ProcessResult unpack = runVexmor(
        {dir.str() + "/Tracks/Monza.DAT", "-unpack", dir.str() + "/Monza"}, {{}, dir.path()});
    ASSERT_EQ(unpack.exitCode, 0) << unpack.output;
    archive.expectUnchanged();
    EXPECT_TRUE(hasLine(unpack.lines(), "Error - report num files is 5, actual is 4"));
    EXPECT_EQ(listFiles(dir / "Monza"),
              (std::vector<std::string>{"Road.MIP", "SUNNY.PCX", "pits.3do", "wall.mip"}));

    const SourceSnapshot unpacked(dir / "Monza");
    const ProcessResult convert = runVexmor(
        {dir.str() + "/Monza", "-track", "-convert", dir.str() + "/Out"}, {{}, dir.path()});
    ASSERT_EQ(convert.exitCode, 0) << convert.output;
    unpacked.expectUnchanged();
    // Textures become MI4 files; the mesh is copied unchanged under its lower-cased name.
    EXPECT_EQ(listFiles(dir / "Out"),
              (std::vector<std::string>{"Road.mi4", "pits.3do", "wall.mi4"}));
    EXPECT_EQ(readFile(dir / "Out/pits.3do"), mesh.build());
    EXPECT_TRUE(hasLine(convert.lines(), "Copying " + toLowerAscii(dir.str() + "/monza\\pits.3do") +
                                             " to " + toLowerAscii(dir.str() + "/Out\\pits.3do") +
                                             " without modification"))
        << convert.output;
    EXPECT_TRUE(hasLine(convert.lines(), "Total number of MIPS 2, size 11360, resized 2"));
}

}  // namespace
}  // namespace vexmor::test
