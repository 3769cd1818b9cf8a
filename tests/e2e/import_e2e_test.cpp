// The built binary bringing exploded images back into the textures they came from.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "support/captured_run.h"
#include "support/carset_fixture.h"
#include "support/mi4_builder.h"
#include "support/mip_builder.h"
#include "support/pcx_builder.h"
#include "support/png_builder.h"
#include "support/png_reader.h"
#include "support/source_snapshot.h"
#include "support/temp_dir.h"
#include "support/vexmor_process.h"

namespace vexmor::test {
namespace {

namespace fs = std::filesystem;

// Textures get an old modification time, so a rewrite would show even within one clock tick.
void ageFiles(const fs::path& root) {
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(48);
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) {
            fs::last_write_time(entry.path(), old);
        }
    }
}

std::vector<std::uint32_t> pixelsOf(const fs::path& image) {
    const std::optional<DecodedPng> png = decodePng(image);
    return png ? png->pixels : std::vector<std::uint32_t>{};
}

// Writes the image back as a paint program would: true colour, whatever it was before.
void saveEdited(const fs::path& image, std::uint32_t width, std::uint32_t height,
                const std::vector<std::uint32_t>& pixels) {
    writeFile(image, buildRgbPng(width, height, pixels));
}

// Where level `level` of a built MIP starts: after the header, the records and the levels
// before it.
std::size_t mipLevelStart(const MipSpec& shape, std::uint32_t level) {
    std::size_t position = 24 + 12 * std::size_t{shape.numMips};
    for (std::uint32_t i = 0; i < level; ++i) {
        position += mipLevelPixels(shape, i).size();
    }
    return position;
}

class ImportEndToEnd : public ::testing::Test {
protected:
    ProcessResult run(const std::vector<std::string>& args) {
        return runVexmor(args, {{}, dir.path()});
    }
    std::string path(const std::string& relative) const { return dir.str() + "/" + relative; }

    TempDir dir;
};

TEST_F(ImportEndToEnd, UntouchedImagesOfACarSetAndATrackChangeNothing) {
    writeCarset(dir / "Car", smallCarsetTextures());
    writeFile(dir / "Track/sunny.pcx", buildPcx(gradientPalette()));
    writeFile(dir / "Track/Wall.mip", buildMip(mipSpec(32, 32, 2)));
    writeFile(dir / "Track/Signs/Flag.mip", buildMip(mipSpec(16, 14, 1)));
    ASSERT_EQ(run({path("Track"), "-track", "-convert", path("Mi4")}).exitCode, 0);
    ASSERT_EQ(run({path("Car"), "-explode", path("CarImages")}).exitCode, 0);
    ASSERT_EQ(run({path("Mi4"), "-explode", path("Mi4Images")}).exitCode, 0);
    ageFiles(dir / "Car");
    ageFiles(dir / "Mi4");
    const SourceSnapshot car(dir / "Car");
    const SourceSnapshot mi4(dir / "Mi4");

    const ProcessResult carImport = run({path("CarImages"), "-IMPORT", path("Car")});
    EXPECT_EQ(carImport.exitCode, 0) << carImport.output;
    car.expectUnchanged();
    EXPECT_TRUE(
        hasLine(carImport.lines(), "Unchanged " + path("Car") +
                                       "\\Parts\\Wheel.mip: 2 images, 0 pixels changed, 0 mapped "
                                       "approximately, 0 levels made again"))
        << carImport.output;

    const ProcessResult mi4Import = run({path("Mi4Images"), "-import", path("Mi4")});
    EXPECT_EQ(mi4Import.exitCode, 0) << mi4Import.output;
    mi4.expectUnchanged();
    EXPECT_TRUE(hasLine(mi4Import.lines(),
                        "Unchanged " + path("Mi4") +
                            "\\Wall.mi4: 2 images, 0 pixels changed, 0 mapped approximately, 0 "
                            "levels made again"))
        << mi4Import.output;
}

// Indices 5 and 200 share a colour. Level 1 is edited: one pixel to another palette colour, one
// to a colour in no palette, one to the colour of index 120; a pixel of index 5 painted in the
// colour it already shows keeps its index.
TEST_F(ImportEndToEnd, EditedPixelsAndOnlyThoseTakeTheIndicesOfTheirNewColours) {
    PaletteRgb palette = gradientPalette();
    std::copy_n(palette.begin() + 3 * 5, 3, palette.begin() + 3 * 200);
    MipSpec shape = mipSpec(16, 14, 2);
    shape.pixel = [](std::uint32_t, std::uint32_t x, std::uint32_t y) {
        return static_cast<std::uint8_t>((x + y) % 2 == 0 ? 200 : 5);
    };
    writeFile(dir / "Tex/SUNNY.PCX", buildPcx(palette));
    writeFile(dir / "Tex/Sign.mip", buildMip(shape));
    ASSERT_EQ(run({path("Tex"), "-explode", path("Img")}).exitCode, 0);

    const fs::path image = dir / "Img/Sign.mip.2.2.8x9.72B.png";
    std::vector<std::uint32_t> pixels = pixelsOf(image);
    ASSERT_EQ(pixels.size(), 72u);
    pixels[0] = paletteColour(palette, 9);
    pixels[1] = paletteColour(palette, 200);              // index 5 already shows it
    pixels[2] = paletteColour(palette, 77) ^ 0x00010000;  // blue one off index 77's
    pixels[3] = paletteColour(palette, 120);
    saveEdited(image, 8, 9, pixels);

    const ProcessResult result = run({path("Img"), "-import", path("Tex"), "-info"});
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_TRUE(hasLine(result.lines(), "Rewritten " + path("Tex") +
                                            "\\Sign.mip: 2 images, 3 pixels changed, 1 mapped "
                                            "approximately, 0 levels made again"))
        << result.output;
    EXPECT_TRUE(hasLine(result.lines(), "Image Sign.mip.2.2.8x9.72B.png is level 2 of " +
                                            path("Tex") + "\\Sign.mip"))
        << result.output;
    std::vector<std::uint8_t> expected = buildMip(shape);
    const std::size_t level1 = mipLevelStart(shape, 1);
    expected[level1] = 9;
    expected[level1 + 2] = 77;
    expected[level1 + 3] = 120;
    EXPECT_EQ(readFile(dir / "Tex/Sign.mip"), expected);
    EXPECT_FALSE(fs::exists(dir / "Img/Sign.mip")) << "nothing but the texture is written";
}

// A level-0-only image repainted in one colour: level 0 takes it, the smaller levels without an
// image are made again from it (all that colour), and the level with its own image keeps it.
TEST_F(ImportEndToEnd, LevelZeroImagesRemakeTheSmallerLevelsWithoutImages) {
    const MipSpec shape = mipSpec(16, 14, 4);
    writeFile(dir / "Car/sunny.pcx", buildPcx(gradientPalette()));
    writeFile(dir / "Car/Body.mip", buildMip(shape));
    ASSERT_EQ(run({path("Car"), "-explode0", path("Img")}).exitCode, 0);
    ASSERT_EQ(run({path("Car"), "-explode", path("All")}).exitCode, 0);
    fs::copy_file(dir / "All/Body.mip.3.4.4x5.20B.png", dir / "Img/Body.mip.3.4.4x5.20B.png");
    const std::vector<std::uint32_t> painted(16 * 16, paletteColour(gradientPalette(), 10));
    saveEdited(dir / "Img/Body.png", 16, 16, painted);

    const ProcessResult result =
        run({path("Img"), "-import", path("Car"), "-palette", path("Car/sunny.pcx")});
    EXPECT_EQ(result.exitCode, 0) << result.output;
    std::vector<std::uint8_t> expected = buildMip(shape);
    std::uint64_t changed = 0;
    for (const std::uint32_t level : {0u, 1u, 3u}) {
        const std::vector<std::uint8_t> original = mipLevelPixels(shape, level);
        const std::size_t start = mipLevelStart(shape, level);
        for (std::size_t p = 0; p < original.size(); ++p) {
            changed += original[p] != 10 ? 1 : 0;
            expected[start + p] = 10;
        }
    }
    EXPECT_EQ(readFile(dir / "Car/Body.mip"), expected);
    EXPECT_TRUE(hasLine(result.lines(), "Rewritten " + path("Car") + "\\Body.mip: 2 images, " +
                                            std::to_string(changed) +
                                            " pixels changed, 0 mapped approximately, 2 levels "
                                            "made again"))
        << result.output;
}

// An MI4 level's pixels become slots of its own palette, which is left as it was.
TEST_F(ImportEndToEnd, MI4PixelsTakeTheSlotsOfTheirLevelsPalette) {
    Mi4Spec shape;
    shape.width = 4;
    shape.height = 4;
    Mi4LevelSpec top;
    top.packed = {0x01, 0x23, 0x01, 0x23, 0x30, 0x21, 0x00, 0x11};
    top.palette = {0xF800, 0x07E0, 0x001F, 0xF800};  // red, green, blue, red again
    top.mipLevelInternal = 3;
    top.magic = 3;
    Mi4LevelSpec small;
    small.packed = {0x12, 0x00};
    small.palette = {0x0000, 0xFFFF, 0x07E0};
    small.mipLevelInternal = 1;
    small.magic = 1;
    shape.levels = {top, small};
    const std::vector<std::uint8_t> original = buildMi4(shape);
    writeFile(dir / "Track/Sign.mi4", original);
    ASSERT_EQ(run({path("Track"), "-explode", path("Img")}).exitCode, 0);
    ageFiles(dir / "Track");

    const fs::path level0 = dir / "Img/Sign.mi4.1.2.4x4.8B.Offset.44.size.8.magic.3.level.3.png";
    std::vector<std::uint32_t> pixels = pixelsOf(level0);
    ASSERT_EQ(pixels.size(), 16u);
    pixels[0] = 0xFF00FC00;  // red to green: slot 1
    pixels[8] = 0xFF0000F0;  // red shown through slot 3 to near red: slot 0, the lowest
    pixels[5] = 0xFFF80000;  // green to blue: slot 2
    saveEdited(level0, 4, 4, pixels);
    const fs::path level1 = dir / "Img/Sign.mi4.2.2.2x2.2B.Offset.84.size.2.magic.1.level.1.png";
    std::vector<std::uint32_t> smallPixels = pixelsOf(level1);
    ASSERT_EQ(smallPixels.size(), 4u);
    smallPixels[3] = 0xFFF8FCF8;  // black to white: slot 1
    saveEdited(level1, 2, 2, smallPixels);

    const ProcessResult result = run({path("Img"), "-import", path("Track")});
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_TRUE(hasLine(result.lines(), "Rewritten " + path("Track") +
                                            "\\Sign.mi4: 2 images, 4 pixels changed, 1 mapped "
                                            "approximately, 0 levels made again"))
        << result.output;
    std::vector<std::uint8_t> expected = original;
    const std::size_t top0 = 24 + 2 * 12;
    expected[top0] = 0x11;      // pixels 0, 1
    expected[top0 + 2] = 0x02;  // pixels 4, 5
    expected[top0 + 4] = 0x00;  // pixels 8, 9
    expected[top0 + 8 + 32 + 1] = 0x01;
    EXPECT_EQ(readFile(dir / "Track/Sign.mi4"), expected);
}

TEST_F(ImportEndToEnd, ImagesThatNameNothingOrDoNotFitAreSkippedWithTheirReasons) {
    const MipSpec shape = mipSpec(16, 14, 2);
    writeFile(dir / "Car/sunny.pcx", buildPcx(gradientPalette()));
    writeFile(dir / "Car/Body.mip", buildMip(shape));
    ASSERT_EQ(run({path("Car"), "-explode0", path("Img")}).exitCode, 0);
    ASSERT_EQ(run({path("Car"), "-explode", path("Img2")}).exitCode, 0);
    for (const std::string& name : listFiles(dir / "Img2")) {
        fs::copy_file(dir / "Img2" / name, dir / "Img" / name);
    }
    writeFile(dir / "Img/Body.mip.2.2.8x9.72B.png",
              buildRgbPng(8, 8, std::vector<std::uint32_t>(64)));
    writeFile(dir / "Img/Gone.mip.1.1.16x16.256B.png",
              buildRgbPng(16, 16, std::vector<std::uint32_t>(256)));
    writeFile(dir / "Img/Body.mip.1.2.16x16.999B.png", "whatever");
    writeFile(dir / "Img/Body.mip.3.3.4x5.20B.png",
              buildRgbPng(4, 5, std::vector<std::uint32_t>(20)));
    writeFile(dir / "Img/Sub/Body.mip.1.2.16x16.256B.png", "not an image");
    writeFile(dir / "Car/Sub/Body.mip", buildMip(shape));
    ageFiles(dir / "Car");
    const SourceSnapshot car(dir / "Car");

    const ProcessResult result = run({path("Img"), "-import", path("Car")});
    EXPECT_EQ(result.exitCode, 0) << result.output;
    const std::vector<std::string> lines = result.lines();
    const std::string body = path("Car") + "\\Body.mip";
    for (const std::string& line : std::vector<std::string>{
             "Skipping image Body.png: level 1 of " + body +
                 " already has image Body.mip.1.2.16x16.256B.png",
             "Skipping image Body.mip.2.2.8x9.72B.png: it is 8x8 pixels where level 2 of " + body +
                 " is 8x9",
             "Skipping image Gone.mip.1.1.16x16.256B.png: texture " + path("Car") +
                 "\\Gone.mip does not exist",
             "Skipping image Body.mip.1.2.16x16.999B.png: its name is not one the export gives",
             "Skipping image Body.mip.3.3.4x5.20B.png: texture " + body + " has no level 3",
             "Skipping image Sub\\Body.mip.1.2.16x16.256B.png: it is not a PNG image",
             "Unchanged " + body +
                 ": 1 images, 0 pixels changed, 0 mapped approximately, 0 levels made again",
         }) {
        EXPECT_TRUE(hasLine(lines, line)) << line << "\n" << result.output;
    }
    car.expectUnchanged();
}

TEST_F(ImportEndToEnd, RunsThatCannotImportStopBeforeWritingAnything) {
    writeFile(dir / "Car/Body.mip", buildMip(mipSpec(16, 14, 1)));
    writeFile(dir / "Pal/sunny.pcx", buildPcx(gradientPalette()));
    ASSERT_EQ(
        run({path("Car"), "-palette", path("Pal/sunny.pcx"), "-explode", path("Img")}).exitCode, 0);
    saveEdited(dir / "Img/Body.mip.1.1.16x16.256B.png", 16, 16,
               std::vector<std::uint32_t>(256, 0xFF123456));
    ageFiles(dir / "Car");
    const SourceSnapshot car(dir / "Car");

    const ProcessResult noPalette = run({path("Img"), "-import", path("Car")});
    EXPECT_EQ(noPalette.exitCode, 1) << noPalette.output;
    EXPECT_TRUE(hasLine(noPalette.lines(),
                        "To import images into MIP textures a palette file (sunny.pcx) needs to "
                        "be specified with the -palette <path>"))
        << noPalette.output;

    const ProcessResult withConvert =
        run({path("Img"), "-import", path("Car"), "-convert", path("Out")});
    EXPECT_EQ(withConvert.exitCode, 1) << withConvert.output;
    EXPECT_EQ(withConvert.lines(),
              std::vector<std::string>{
                  "Error - -import is a job of its own: it cannot be combined with -convert, "
                  "-explode, -explode0, -compact, -report or -unpack"});
    EXPECT_FALSE(fs::exists(dir / "Out"));

    const ProcessResult noFolder = run({path("Img"), "-import"});
    EXPECT_EQ(noFolder.exitCode, 1) << noFolder.output;
    EXPECT_EQ(noFolder.lines(),
              std::vector<std::string>{"Error - -import needs the folder the images came from"});
    car.expectUnchanged();
}

// A texture that cannot be written back: its line, exit code 4, and the texture as it was.
TEST_F(ImportEndToEnd, ATextureThatCannotBeWrittenIsLeftAsItWas) {
#ifdef _WIN32
    GTEST_SKIP() << "folder permissions are POSIX modes here";
#else
    writeFile(dir / "Car/sunny.pcx", buildPcx(gradientPalette()));
    writeFile(dir / "Car/Body.mip", buildMip(mipSpec(16, 14, 1)));
    ASSERT_EQ(run({path("Car"), "-explode", path("Img")}).exitCode, 0);
    saveEdited(dir / "Img/Body.mip.1.1.16x16.256B.png", 16, 16,
               std::vector<std::uint32_t>(256, paletteColour(gradientPalette(), 3)));
    fs::permissions(dir.path(), fs::perms::all);
    fs::permissions(dir / "Img", fs::perms::all);
    fs::permissions(dir / "Car", fs::perms::owner_read | fs::perms::owner_exec |
                                     fs::perms::group_read | fs::perms::group_exec |
                                     fs::perms::others_read | fs::perms::others_exec);
    const SourceSnapshot car(dir / "Car");
    ProcessOptions options({}, dir.path());
    options.unprivileged = true;
    if (runVexmor({}, options).exitCode == 127) {
        GTEST_SKIP() << "the built tool cannot be started as the user nobody here";
    }
    const ProcessResult result = runVexmor({path("Img"), "-import", path("Car")}, options);
    fs::permissions(dir / "Car", fs::perms::all);
    EXPECT_EQ(result.exitCode, 4) << result.output;
    EXPECT_TRUE(hasLine(result.lines(),
                        "Error - could not write " + path("Car") + "\\Body.mip: Permission denied"))
        << result.output;
    car.expectUnchanged();
#endif
}

}  // namespace
}  // namespace vexmor::test
