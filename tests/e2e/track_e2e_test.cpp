// The built binary converting a track to MI4 textures and exploding them.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/captured_run.h"
#include "support/mip_builder.h"
#include "support/pcx_builder.h"
#include "support/png_reader.h"
#include "support/source_snapshot.h"
#include "support/temp_dir.h"
#include "support/vexmor_process.h"

namespace vexmor::test {
namespace {

namespace fs = std::filesystem;

TEST(TrackEndToEnd, ConvertTurnsEveryMipIntoAnMi4AndTheExplodeReadsThem) {
    TempDir dir;
    writeFile(dir / "Monza/sunny.pcx", buildPcx(gradientPalette()));
    writeFile(dir / "Monza/Wall.MIP", buildMip(mipSpec(32, 32, 2)));
    writeFile(dir / "Monza/Signs/Flag.mip", buildMip(mipSpec(16, 14, 1)));
    writeFile(dir / "Monza/Signs/notes.txt", "left alone");
    const SourceSnapshot source(dir / "Monza");

    const ProcessResult convert = runVexmor(
        {dir.str() + "/Monza", "-track", "-convert", dir.str() + "/Out"}, {{}, dir.path()});
    ASSERT_EQ(convert.exitCode, 0) << convert.output;
    source.expectUnchanged();
    EXPECT_EQ(listFiles(dir / "Out"), (std::vector<std::string>{"Signs/Flag.mi4", "Wall.mi4"}));
    EXPECT_EQ(fs::file_size(dir / "Out/Wall.mi4"), 800u);
    EXPECT_TRUE(hasLine(convert.lines(), "Base filename is wall.mip")) << convert.output;
    EXPECT_TRUE(hasLine(convert.lines(), "Shrunk mips: "));
    EXPECT_TRUE(hasLine(convert.lines(), "wall.mip"));

    const SourceSnapshot converted(dir / "Out");
    const ProcessResult explode =
        runVexmor({dir.str() + "/Out", "-explode", dir.str() + "/X"}, {{}, dir.path()});
    ASSERT_EQ(explode.exitCode, 0) << explode.output;
    converted.expectUnchanged();
    // The reader takes level i as height / 2^i rows: 34 and 17 for the 34-row texture.
    const std::vector<std::string> images{
        "Signs/Flag.mi4.1.1.16x16.128B.Offset.32.size.128.magic.15.level.1.png",
        "Wall.mi4.1.2.32x34.544B.Offset.44.size.544.magic.63.level.3.png",
        "Wall.mi4.2.2.16x17.136B.Offset.620.size.136.magic.31.level.1.png"};
    EXPECT_EQ(listFiles(dir / "X"), images);
    const std::optional<DecodedPng> png = decodePng(dir / "X" / images[1]);
    ASSERT_TRUE(png);
    EXPECT_EQ(png->width, 32u);
    EXPECT_EQ(png->height, 34u);
    EXPECT_TRUE(hasLine(explode.lines(),
                        "Num paletted 2, Num mips 0, total size 0 (0x00000000) "
                        "bytes (0 KB, 0 MB)"))
        << explode.output;

    const std::vector<std::string> rows = splitLines(readText(dir / "mi433.csv"));
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0],
              "Filename,mip level, mip level internal,num mips,width,height,size,offset,magic");
    EXPECT_EQ(rows[1], dir.str() + "/X\\Signs\\Flag.mi4,0,1,1,16,16,128,32,15");
    EXPECT_EQ(rows[2], dir.str() + "/X\\Wall.mi4,0,3,2,32,34,544,44,63");
    EXPECT_EQ(rows[3], dir.str() + "/X\\Wall.mi4,1,1,2,16,17,136,620,31");
}

}  // namespace
}  // namespace vexmor::test
