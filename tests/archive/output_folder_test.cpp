#include "archive/output_folder.h"

#include <gtest/gtest.h>

#include "support/captured_run.h"
#include "support/temp_dir.h"

namespace vexmor {
namespace {

namespace fs = std::filesystem;
using test::CapturedRun;
using test::TempDir;

TEST(OutputFolderTest, CreatesOneNewLevelOnceAndIgnoresExistingFolders) {
    TempDir dir;
    CapturedRun run;
    createOutputFolder(run.context.console, dir.str() + "\\New\\");
    EXPECT_TRUE(fs::is_directory(dir / "New"));
    createOutputFolder(run.context.console, dir.str() + "\\New\\");
    createOutputFolder(run.context.console, dir.str() + "\\NEW\\");  // found without regard to case
    createOutputFolder(run.context.console, dir.str() + "/");
    EXPECT_EQ(run.output(), "");
#ifndef _WIN32  // on a file system that ignores case the two names are one folder
    EXPECT_FALSE(fs::exists(dir / "NEW"));
#endif
}

TEST(OutputFolderTest, AMissingParentIsReportedNotCreated) {
    TempDir dir;
    CapturedRun run;
    const std::string folder = dir.str() + "\\a\\b\\";
    createOutputFolder(run.context.console, folder);
    EXPECT_FALSE(fs::exists(dir / "a"));
    EXPECT_EQ(run.output(), "Could not create output folder \"" + folder +
                                "\" (error create_directory: No such file or directory: \"" +
                                folder + "\")\n");
}

TEST(OutputFolderTest, AFileInTheWayIsReported) {
    TempDir dir;
    test::writeFile(dir / "taken", "x");
    CapturedRun run;
    createOutputFolder(run.context.console, dir.str() + "/taken/");
    EXPECT_NE(run.output().find("Could not create output folder"), std::string::npos);
    // The walk over every level reports it too, rather than taking the file for a folder.
    CapturedRun walk;
    createOutputFolders(walk.context, dir.str() + "/taken/a/");
    EXPECT_NE(walk.output().find("Could not create output folder"), std::string::npos);
}

TEST(OutputFolderTest, EveryMissingLevelCanBeCreatedOutermostFirst) {
    TempDir dir;
    fs::create_directory(dir / "Out");
    CapturedRun run;
    createOutputFolders(run.context, dir.str() + "\\out\\a\\b/c\\");
    EXPECT_TRUE(fs::is_directory(dir / "Out/a/b/c"));
    EXPECT_EQ(run.output(), "");
}

// A folder that exists is taken as it is, but a dot-dot text still gets each written level made.
TEST(OutputFolderTest, DotDotLevelsAreMadeEvenWhenTheFolderExists) {
    TempDir dir;
    fs::create_directories(dir / "Out/b");
    CapturedRun run;
    createOutputFolders(run.context, dir.str() + "\\out\\b\\");
    createOutputFolders(run.context, dir.str() + "\\out\\Missing\\..\\b\\");
    EXPECT_TRUE(fs::is_directory(dir / "Out/Missing"));
    EXPECT_EQ(run.output(), "");
}

}  // namespace
}  // namespace vexmor
