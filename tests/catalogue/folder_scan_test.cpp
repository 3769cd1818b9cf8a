#include "catalogue/folder_scan.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "catalogue/source_catalogue.h"
#include "common/text.h"
#include "support/captured_run.h"
#include "support/pcx_builder.h"
#include "support/temp_dir.h"

namespace vexmor {
namespace {

namespace fs = std::filesystem;
using test::CapturedRun;
using test::TempDir;
using test::writeFile;

std::vector<std::string> names(const SourceCatalogue& catalogue) {
    std::vector<std::string> result;
    for (const FileEntry& entry : catalogue.files) {
        result.push_back(entry.name);
    }
    return result;
}

TEST(FolderScanTest, ListsAMixedCaseTreeDepthFirstWithBackslashNames) {
    TempDir dir;
    writeFile(dir / "Src/Cars/CAR1.MIP", "");
    writeFile(dir / "Src/Cars/Sub/wheel.3do", "");
    writeFile(dir / "Src/b.mip", "");
    writeFile(dir / "Src/readme", "");
    CapturedRun run;
    run.context.options.info = true;
    SourceCatalogue catalogue;
    // The parser lower-cases the source; the folder is still found.
    const std::string folder = toLowerAscii(dir.str() + "/src");
    ASSERT_TRUE(scanSourceFolder(run.context.console, catalogue, folder));
    const std::vector<std::string> expected{"b.mip", "Cars\\CAR1.MIP", "Cars\\Sub\\wheel.3do",
                                            "readme"};
    EXPECT_EQ(names(catalogue), expected);
    EXPECT_EQ(catalogue.fileCount, 4);
    EXPECT_TRUE(
        test::hasLine(run.lines(), "Scan: car1.mip Cars/CAR1.MIP (" + folder + "/Cars/CAR1.MIP)"))
        << run.output();
}

TEST(FolderScanTest, ShowsTheFolderTextWithForwardSlashesInTheScanLine) {
    TempDir dir;
    writeFile(dir / "src/A/B.MIP", "");
    CapturedRun run;
    run.context.options.info = true;
    SourceCatalogue catalogue;
    const std::string folder = dir.str() + "\\src";
    ASSERT_TRUE(scanSourceFolder(run.context.console, catalogue, folder));
    EXPECT_EQ(run.output(), "Scan: b.mip A/B.MIP (" + dir.str() + "/src/A/B.MIP)\n");
    EXPECT_EQ(names(catalogue), std::vector<std::string>{"A\\B.MIP"});
}

TEST(FolderScanTest, OneOrTwoTrailingBackslashesGiveTheSameNames) {
    TempDir dir;
    writeFile(dir / "src/x/y.mip", "");
    CapturedRun run;
    SourceCatalogue one;
    SourceCatalogue two;
    ASSERT_TRUE(scanSourceFolder(run.context.console, one, dir.str() + "/src\\"));
    ASSERT_TRUE(scanSourceFolder(run.context.console, two, dir.str() + "/src"));
    EXPECT_EQ(names(one), names(two));
}

TEST(FolderScanTest, EmptyFolderIsScannedAndMissingOrFileSourcesAreNot) {
    TempDir dir;
    fs::create_directory(dir / "empty");
    writeFile(dir / "file", "x");
    CapturedRun run;
    SourceCatalogue catalogue;
    catalogue.files.push_back({"stale", 0, 0});
    EXPECT_TRUE(scanSourceFolder(run.context.console, catalogue, dir.str() + "/empty"));
    EXPECT_TRUE(catalogue.files.empty());
    EXPECT_EQ(catalogue.fileCount, 0);
    EXPECT_FALSE(scanSourceFolder(run.context.console, catalogue, dir.str() + "/file"));
    EXPECT_FALSE(scanSourceFolder(run.context.console, catalogue, dir.str() + "/missing"));
    EXPECT_FALSE(scanSourceFolder(run.context.console, catalogue, ""));
    EXPECT_EQ(run.output(), "");
}

TEST(FolderScanTest, LoadsEveryPaletteFileItMeetsAndKeepsTheLast) {
    TempDir dir;
    test::PaletteRgb first = test::gradientPalette();
    test::PaletteRgb second{};
    second[0] = 0x12;
    second[1] = 0x34;
    second[2] = 0x56;
    writeFile(dir / "src/a.mip", "");
    writeFile(dir / "src/Colors.PCX", test::buildPcx(first));
    writeFile(dir / "src/Tracks/SUNNY.PCX", test::buildPcx(second));
    writeFile(dir / "src/sunny.pcx.bak", test::buildPcx(first));
    CapturedRun run;
    SourceCatalogue catalogue;
    ASSERT_TRUE(scanSourceFolder(run.context.console, catalogue, dir.str() + "/src"));
    const std::vector<std::string> expected{"ICR1 colors.pcx is at index 1",
                                            "ICR2 sunny.pcx is at index 3"};
    EXPECT_EQ(run.lines(), expected);
    EXPECT_EQ(catalogue.paletteFileIndex, 3u);
    EXPECT_TRUE(catalogue.icr2Palette);
    ASSERT_TRUE(catalogue.paletteLoaded);
    EXPECT_EQ(catalogue.paletteColours[0], 0xFF563412u);
}

// Folder rights and symbolic links as these tests make them are POSIX notions.
#ifndef _WIN32
TEST(FolderScanTest, SkipsUnreadableSubfoldersWithOneLine) {
    TempDir dir;
    writeFile(dir / "src/a.mip", "");
    writeFile(dir / "src/Locked/b.mip", "");
    writeFile(dir / "src/z.mip", "");
    fs::permissions(dir / "src/Locked", fs::perms::none);
    if (::access((dir / "src/Locked").c_str(), R_OK) == 0) {
        GTEST_SKIP() << "running with rights that read any folder";
    }
    CapturedRun run;
    SourceCatalogue catalogue;
    ASSERT_TRUE(scanSourceFolder(run.context.console, catalogue, dir.str() + "/src"));
    EXPECT_EQ(names(catalogue), (std::vector<std::string>{"a.mip", "z.mip"}));
    const std::vector<std::string> lines = run.lines();
    ASSERT_EQ(lines.size(), 1u) << run.output();
    EXPECT_TRUE(lines[0].starts_with("Scan: skipped " + dir.str() + "/src/Locked/ (")) << lines[0];
}

TEST(FolderScanTest, DoesNotFollowDirectoryLinks) {
    TempDir dir;
    writeFile(dir / "src/a.mip", "");
    writeFile(dir / "elsewhere/b.mip", "");
    fs::create_directory_symlink(dir / "elsewhere", dir / "src/link");
    CapturedRun run;
    SourceCatalogue catalogue;
    ASSERT_TRUE(scanSourceFolder(run.context.console, catalogue, dir.str() + "/src"));
    EXPECT_EQ(names(catalogue), std::vector<std::string>{"a.mip"});
}
#endif  // _WIN32

}  // namespace
}  // namespace vexmor
