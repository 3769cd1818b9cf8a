#include "export/png_writer.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <png.h>
#endif

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/png_backend.h"
#include "support/captured_run.h"
#include "support/carset_fixture.h"
#include "support/png_reader.h"
#include "support/temp_dir.h"
#include "support/wine_detection.h"

namespace vexmor {
namespace {

namespace fs = std::filesystem;
using test::CapturedRun;
using test::DecodedPng;
using test::decodePng;
using test::TempDir;

// An opaque colour with distinct channels for each n below 2^24.
std::uint32_t opaque(std::uint32_t n) {
    return 0xFF000000u | (n * 2654435761u & 0xFFFFFFu);
}

// width × height pixels cycling through `colours` in a pattern that is not a simple repeat.
std::vector<std::uint32_t> patterned(std::uint32_t width, std::uint32_t height,
                                     const std::vector<std::uint32_t>& colours) {
    std::vector<std::uint32_t> pixels(std::size_t{width} * height);
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            pixels[std::size_t{y} * width + x] = colours[(x / 3 + y * 7 + x * y) % colours.size()];
        }
    }
    // Every colour appears at least once.
    for (std::size_t i = 0; i < colours.size() && i < pixels.size(); ++i) {
        pixels[i] = colours[i];
    }
    return pixels;
}

std::vector<std::uint32_t> opaqueColours(std::uint32_t count) {
    std::vector<std::uint32_t> colours;
    for (std::uint32_t i = 0; i < count; ++i) {
        colours.push_back(opaque(i + 1));
    }
    return colours;
}

class PngWriterTest : public ::testing::Test {
protected:
    // Writes and decodes an image, expecting success without console output.
    DecodedPng roundTrip(std::uint32_t width, std::uint32_t height,
                         const std::vector<std::uint32_t>& pixels) {
        const std::string file = (dir / "image.png").string();
        run.clearOutput();
        writePng(run.context, file, width, height, pixels);
        EXPECT_EQ(run.output(), "");
        std::optional<DecodedPng> image = decodePng(file);
        EXPECT_TRUE(image.has_value());
        if (!image) {
            return {};
        }
        EXPECT_EQ(image->width, width);
        EXPECT_EQ(image->height, height);
        EXPECT_EQ(image->pixels, pixels);
        return *image;
    }

    // Writes to `file`, expecting failure with exactly the save message for `code`.
    void expectFailure(const std::string& file, const std::string& code, std::uint64_t width,
                       std::uint64_t height, const std::vector<std::uint32_t>& pixels) {
        run.clearOutput();
        writePng(run.context, file, width, height, pixels);
        EXPECT_TRUE(run.context.writeFailed);
        EXPECT_EQ(run.lines(),
                  std::vector<std::string>{"Could not save image. Error Code " + code});
    }

    // Writes to `file`, expecting the one line that names it with the system's reason.
    void expectWriteFailure(const std::string& file) {
        run.clearOutput();
        writePng(run.context, file, 1, 1, {{0xFF0000FFu}});
        const std::vector<std::string> lines = run.lines();
        ASSERT_EQ(lines.size(), 1u) << run.output();
        EXPECT_TRUE(lines[0].starts_with("Error - could not write " + file + ": ")) << lines[0];
        EXPECT_TRUE(run.context.writeFailed);
    }

    TempDir dir;
    CapturedRun run;
};

TEST_F(PngWriterTest, OneRedPixelReadsBackTheSame) {
    const DecodedPng image = roundTrip(1, 1, {0xFF0000FFu});
    ASSERT_EQ(image.pixels.size(), 1u);
    EXPECT_EQ(image.pixels[0], 0xFF0000FFu);
}

// The stored colour forms are the libpng backend's choice; on Windows the system encoder picks.
#ifndef _WIN32
TEST_F(PngWriterTest, FewColoursAreStoredAsFourBitPalette) {
    // Odd widths leave half a byte at each row end.
    for (const std::uint32_t count : {1u, 2u, 16u}) {
        SCOPED_TRACE(count);
        const DecodedPng image = roundTrip(7, 5, patterned(7, 5, opaqueColours(count)));
        EXPECT_EQ(image.colourType, PNG_COLOR_TYPE_PALETTE);
        EXPECT_EQ(image.bitDepth, 4);
    }
}

TEST_F(PngWriterTest, UpTo256ColoursAreStoredAsEightBitPalette) {
    for (const std::uint32_t count : {17u, 256u}) {
        SCOPED_TRACE(count);
        const DecodedPng image = roundTrip(256, 130, patterned(256, 130, opaqueColours(count)));
        EXPECT_EQ(image.colourType, PNG_COLOR_TYPE_PALETTE);
        EXPECT_EQ(image.bitDepth, 8);
    }
}

TEST_F(PngWriterTest, MoreThan256OpaqueColoursAreStoredAsRgb) {
    const DecodedPng image = roundTrip(33, 17, patterned(33, 17, opaqueColours(257)));
    EXPECT_EQ(image.colourType, PNG_COLOR_TYPE_RGB);

    std::mt19937 random(7);
    std::vector<std::uint32_t> noise(64 * 64);
    for (std::uint32_t& pixel : noise) {
        pixel = 0xFF000000u | (random() & 0xFFFFFFu);
    }
    EXPECT_EQ(roundTrip(64, 64, noise).colourType, PNG_COLOR_TYPE_RGB);
}

#endif  // _WIN32

TEST_F(PngWriterTest, TransparencyIsKept) {
    std::vector<std::uint32_t> colours = opaqueColours(40);
    colours[3] = 0x00123456u;  // fully transparent, colour kept
    colours[39] = 0x80ABCDEFu;
    const DecodedPng paletted = roundTrip(19, 11, patterned(19, 11, colours));
#ifndef _WIN32
    EXPECT_EQ(paletted.colourType, PNG_COLOR_TYPE_PALETTE);
#endif

    colours = opaqueColours(300);
    colours[299] = 0x7F000000u;
    const DecodedPng rgba = roundTrip(40, 40, patterned(40, 40, colours));
#ifndef _WIN32
    EXPECT_EQ(rgba.colourType, PNG_COLOR_TYPE_RGB_ALPHA);
#endif
}

TEST_F(PngWriterTest, IndexedImagesAreTheImagesTheirPaletteShows) {
    // One colour under two indices, a transparent entry, and indices past a short palette's
    // end, which show as 0.
    std::vector<std::uint32_t> palette = opaqueColours(20);
    palette[7] = palette[2];
    palette[5] = 0x00000000u;
    for (const std::uint32_t used : {6u, 30u}) {  // a 4-bit and an 8-bit file
        SCOPED_TRACE(used);
        std::vector<std::uint8_t> indices(9 * 5);
        for (std::size_t i = 0; i < indices.size(); ++i) {
            indices[i] = static_cast<std::uint8_t>((i * 7 + i / 9) % used);
        }
        std::vector<std::uint32_t> shown(indices.size());
        for (std::size_t i = 0; i < indices.size(); ++i) {
            shown[i] = indices[i] < palette.size() ? palette[indices[i]] : 0;
        }
        const fs::path indexed = dir / "indexed.png";
        const fs::path direct = dir / "direct.png";
        writeIndexedPng(run.context, indexed.string(), 9, 5, indices, palette);
        writePng(run.context, direct.string(), 9, 5, shown);
        EXPECT_EQ(run.output(), "");
        const std::optional<DecodedPng> image = decodePng(indexed);
        ASSERT_TRUE(image.has_value());
        EXPECT_EQ(image->pixels, shown);
#ifndef _WIN32
        EXPECT_EQ(test::readFile(indexed), test::readFile(direct));
#endif
    }
}

// Images written while the run goes on: one named like another still being written replaces it,
// as when images are written one at a time.
TEST_F(PngWriterTest, AnImageNamedLikeOneUnderWayReplacesIt) {
    run.context.background.enable();
    const std::vector<std::uint32_t> red{0xFF0000FFu};
    const std::vector<std::uint32_t> green{0xFF00FF00u};
    for (int i = 0; i < 20; ++i) {
        writePng(run.context, (dir / "Image.png").string(), 1, 1, red);
        writePng(run.context, dir.str() + "\\IMAGE.PNG", 1, 1, green);
    }
    run.context.background.settle();
    EXPECT_EQ(run.output(), "");
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(dir.path())) {
        files.push_back(entry.path());
    }
    ASSERT_EQ(files.size(), 1u);
    const std::optional<DecodedPng> image = decodePng(files[0]);
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->pixels, green);
}

// A run that ends early (here a texture too narrow to shrink) still writes the images under way
// and prints their lines before its own last one; a context that goes with images under way
// writes them first.
TEST_F(PngWriterTest, ImagesUnderWayAreWrittenBeforeARunEnds) {
    test::writeCarset(dir.path() / "src",
                      {{"a.mip", test::mipSpec(8, 6, 2)}, {"b.mip", test::mipSpec(2, 2, 1)}});
    const std::string out = dir.str() + "/out";
    EXPECT_EQ(run.run({dir.str() + "/src", "-width", "1", "-explode", out, "-convert", out}), 10);
    EXPECT_TRUE(run.lines().back().starts_with("Error mip dimension for ")) << run.output();
    EXPECT_TRUE(decodePng(out + "/a.mip.1.2.8x8.64B.png").has_value()) << run.output();
    {
        CapturedRun ended;
        ended.context.background.enable();
        writePng(ended.context, (dir / "last.png").string(), 1, 1, {0xFF0000FFu});
    }
    EXPECT_TRUE(decodePng(dir / "last.png").has_value());
}

TEST_F(PngWriterTest, ImagesWiderThanLibpngsDefaultLimitAreWritten) {
    if (test::runningUnderWine()) {
        GTEST_SKIP() << "Wine's encoder keeps libpng's limit of a million pixels a row";
    }
    std::vector<std::uint32_t> row(1000001, 0xFF336699u);
    row.back() = 0xFF000000u;
    roundTrip(1000001, 1, row);
}

TEST_F(PngWriterTest, ReplacesAnExistingFile) {
    const fs::path file = dir / "image.png";
    test::writeFile(file, std::string(100000, 'x'));
    roundTrip(3, 2, {1, 2, 3, 4, 5, 6});
    EXPECT_LT(fs::file_size(file), 1000u);

    roundTrip(2, 1, {0xFF00FF00u, 0xFFFF0000u});
}

TEST_F(PngWriterTest, FindsFoldersWhateverTheirCaseAndSeparators) {
    fs::create_directories(dir / "Cars" / "Body");
    const std::string file = dir.str() + "\\cars\\BODY\\Level0.png";
    const std::vector<std::uint32_t> red{0xFF0000FFu};
    writePng(run.context, file, 1, 1, red);
    EXPECT_TRUE(decodePng(dir / "Cars" / "Body" / "Level0.png").has_value());
}

TEST_F(PngWriterTest, RefusesImagesWithoutPixelsAndWritesNothing) {
    const std::string file = (dir / "image.png").string();
    expectFailure(file, "80070057", 0, 1, {1});
    expectFailure(file, "80070057", 1, 0, {1});
    // One pixel short: nothing past the span may be read.
    expectFailure(file, "80070057", 3, 2, {1, 2, 3, 4, 5});
    expectFailure(file, "80070057", std::uint64_t{1} << 32, 1, {1});
    expectFailure(file, "80070057", 1u << 31, 1u << 31, {1});
    EXPECT_FALSE(fs::exists(file));
}

TEST_F(PngWriterTest, MissingFolderIsReportedAndTheRunGoesOn) {
    expectWriteFailure((dir / "missing" / "image.png").string());
    // A file where a folder is expected.
    test::writeFile(dir / "plain", std::string("x"));
    expectWriteFailure((dir / "plain" / "image.png").string());
    roundTrip(1, 1, {0xFF0000FFu});
}

TEST_F(PngWriterTest, FolderWithoutRightsIsReported) {
#ifdef _WIN32
    GTEST_SKIP() << "folder rights are POSIX modes here";
#endif
    const fs::path locked = dir / "locked";
    fs::create_directory(locked);
    fs::permissions(locked, fs::perms(0555));
    if (!std::ofstream(locked / "probe").is_open()) {
        expectWriteFailure((locked / "image.png").string());
    } else if (fs::is_directory("/sys")) {
        // Folder rights do not bind this user; nobody may create files in sysfs.
        expectWriteFailure("/sys/vexmor-image.png");
    } else {
        GTEST_SKIP() << "no folder denies this user";
    }
}

// The image is made whole beside its name; a folder there cannot be replaced, and is kept.
TEST_F(PngWriterTest, FolderInPlaceOfTheFileIsReported) {
    fs::create_directory(dir / "image.png");
    expectWriteFailure((dir / "image.png").string());
    EXPECT_TRUE(fs::is_directory(dir / "image.png"));
    EXPECT_EQ(test::listFiles(dir.path()), std::vector<std::string>{});
}

TEST_F(PngWriterTest, FullDiskIsReported) {
#ifdef _WIN32
    GTEST_SKIP() << "needs /dev/full";
#endif
    if (!fs::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    // The encoder itself is given the device: writePng would replace it with a whole file. A
    // small image fails only when the file is closed, a large one while it is written.
    const auto expectDiskFull = [&](std::uint64_t width, std::uint64_t height,
                                    const std::vector<std::uint32_t>& pixels) {
        const platform::PngResult result =
            platform::encodePngFile("/dev/full", width, height, pixels);
        EXPECT_EQ(result.outcome, platform::PngOutcome::saveFailed);
        EXPECT_EQ(result.code, 0x80070070u);
    };
    expectDiskFull(1, 1, {0xFF0000FFu});
    std::mt19937 random(3);
    std::vector<std::uint32_t> noise(256 * 256);
    for (std::uint32_t& pixel : noise) {
        pixel = random();
    }
    expectDiskFull(256, 256, noise);
}

TEST_F(PngWriterTest, TestReaderRefusesDamagedFiles) {
    const fs::path file = dir / "image.png";
    roundTrip(64, 64, patterned(64, 64, opaqueColours(300)));
    std::vector<std::uint8_t> bytes = test::readFile(file);
    bytes.resize(bytes.size() / 2);
    test::writeFile(file, bytes);
    EXPECT_FALSE(decodePng(file).has_value());
    test::writeFile(file, std::string("not a png at all"));
    EXPECT_FALSE(decodePng(file).has_value());
    EXPECT_FALSE(decodePng(dir / "missing.png").has_value());
}

}  // namespace
}  // namespace vexmor
