#include "catalogue/palette_file.h"

#include <gtest/gtest.h>

#include "catalogue/source_catalogue.h"
#include "support/captured_run.h"
#include "support/pcx_builder.h"
#include "support/temp_dir.h"

namespace vexmor {
namespace {

using test::CapturedRun;
using test::TempDir;
using test::writeFile;

TEST(PaletteFileTest, ReadsTheBlockAtTheEndWhateverPrecedesIt) {
    TempDir dir;
    test::PaletteRgb palette{};
    palette[0] = 0x12;
    palette[1] = 0x34;
    palette[2] = 0x56;
    palette[765] = 0xFF;
    // Image data that itself ends in the marker byte does not confuse the reader.
    std::vector<std::uint8_t> bytes(300, 0x0C);
    const std::vector<std::uint8_t> block = test::buildPcx(palette, 0);
    bytes.insert(bytes.end(), block.begin(), block.end());
    writeFile(dir / "Sunny.pcx", bytes);

    CapturedRun run;
    run.context.options.info = true;
    SourceCatalogue catalogue;
    loadPalette(run.context.console, catalogue, dir.str() + "\\SUNNY.PCX");
    ASSERT_TRUE(catalogue.paletteLoaded);
    ASSERT_EQ(catalogue.paletteColours.size(), 256u);
    EXPECT_EQ(catalogue.paletteColours[0], 0xFF563412u);
    EXPECT_EQ(catalogue.paletteColours[255], 0xFF0000FFu);
    EXPECT_EQ(catalogue.paletteColours[1], 0xFF000000u);
    EXPECT_EQ(catalogue.paletteRgb, palette);
    const std::vector<std::string> lines = run.lines();
    ASSERT_EQ(lines.size(), 256u);
    EXPECT_EQ(lines[0], "Colour 0 is FF563412");
    EXPECT_EQ(lines[1], "Colour 1 is FF000000");
}

TEST(PaletteFileTest, ABareBlockOf769BytesIsAPalette) {
    TempDir dir;
    writeFile(dir / "p.pcx", test::buildPcx(test::gradientPalette(), 0));
    CapturedRun run;
    SourceCatalogue catalogue;
    loadPalette(run.context.console, catalogue, dir.str() + "/p.pcx");
    EXPECT_TRUE(catalogue.paletteLoaded);
    EXPECT_EQ(catalogue.paletteColours[2], test::paletteColour(test::gradientPalette(), 2));
    EXPECT_EQ(run.output(), "");
}

TEST(PaletteFileTest, FailuresKeepTheEarlierPalette) {
    TempDir dir;
    writeFile(dir / "good.pcx", test::buildPcx(test::gradientPalette()));
    std::vector<std::uint8_t> noMarker = test::buildPcx(test::gradientPalette());
    noMarker[noMarker.size() - 769] = 0x0B;
    writeFile(dir / "nomarker.pcx", noMarker);
    writeFile(dir / "short.pcx", std::string(100, '\x0C'));

    CapturedRun run;
    SourceCatalogue catalogue;
    loadPalette(run.context.console, catalogue, dir.str() + "/good.pcx");
    const std::vector<std::uint32_t> before = catalogue.paletteColours;
    loadPalette(run.context.console, catalogue, dir.str() + "/nomarker.pcx");
    loadPalette(run.context.console, catalogue, dir.str() + "/short.pcx");
    loadPalette(run.context.console, catalogue, dir.str() + "/missing.pcx");
    EXPECT_EQ(catalogue.paletteColours, before);
    const std::vector<std::string> expected{
        "Palette file " + dir.str() + "/nomarker.pcx is missing a palette marker 0x0C",
        "Palette file " + dir.str() + "/short.pcx is missing a palette marker 0x0C",
        "Could not read palette from " + dir.str() + "/missing.pcx"};
    EXPECT_EQ(run.lines(), expected);
}

TEST(PaletteFileTest, ASecondLoadReplacesTheFirst) {
    TempDir dir;
    test::PaletteRgb other{};
    other.fill(0x40);
    writeFile(dir / "a.pcx", test::buildPcx(test::gradientPalette()));
    writeFile(dir / "b.pcx", test::buildPcx(other));
    CapturedRun run;
    SourceCatalogue catalogue;
    loadPalette(run.context.console, catalogue, dir.str() + "/a.pcx");
    loadPalette(run.context.console, catalogue, dir.str() + "/b.pcx");
    ASSERT_EQ(catalogue.paletteColours.size(), 256u);
    EXPECT_EQ(catalogue.paletteColours[7], 0xFF404040u);
}

}  // namespace
}  // namespace vexmor
