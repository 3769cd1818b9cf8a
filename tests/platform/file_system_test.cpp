#include "platform/file_system.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "platform/whole_file.h"
#include "support/temp_dir.h"

namespace vexmor::platform {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::writeFile;

// The case-insensitive mapping is the POSIX half's; Windows finds names itself.
#ifndef _WIN32
std::string backslashed(const fs::path& path) {
    std::string text = path.string();
    for (char& c : text) {
        if (c == '/') {
            c = '\\';
        }
    }
    return text;
}

TEST(NativePathTest, ResolvesExistingComponentsWithoutRegardToCase) {
    TempDir dir;
    writeFile(dir / "Src/Cars/CAR1.MIP", "x");
    EXPECT_EQ(nativePath(dir.str() + "/src\\cars\\car1.mip"), dir / "Src/Cars/CAR1.MIP");
    EXPECT_EQ(nativePath(dir.str() + "\\SRC\\CARS\\Car1.Mip"), dir / "Src/Cars/CAR1.MIP");
}

TEST(NativePathTest, KeepsTheCaseOfComponentsThatDoNotExist) {
    TempDir dir;
    fs::create_directories(dir / "Out/Cars");
    EXPECT_EQ(nativePath(dir.str() + "\\out\\cars\\New\\Body.3do"), dir / "Out/Cars/New/Body.3do");
    // A file created through the mapping lands inside the existing mixed-case folder.
    {
        WholeFile created(dir.str() + "\\out\\cars\\Wheel.3DO");
        EXPECT_EQ(created.commit(), "");
    }
    EXPECT_TRUE(fs::exists(dir / "Out/Cars/Wheel.3DO"));
    EXPECT_FALSE(fs::exists(dir / "out"));
    // Below a folder written exactly, only the new name is looked up, and found in any case.
    EXPECT_EQ(nativePath(dir.str() + "/Out/Cars/wheel.3do"), dir / "Out/Cars/Wheel.3DO");
    EXPECT_EQ(nativePath(dir.str() + "/Out/Cars/Tyre.3do"), dir / "Out/Cars/Tyre.3do");
    EXPECT_EQ(nativePath(dir.str() + "/Out/Cars/../cars/x"), dir / "Out/Cars/../Cars/x");
}

TEST(NativePathTest, PrefersTheExactNameAndOtherwiseTheSmallestMatch) {
    TempDir dir;
    writeFile(dir / "b/aB", "1");
    writeFile(dir / "b/Ab", "2");
    writeFile(dir / "b/ab", "3");
    EXPECT_EQ(nativePath(backslashed(dir / "b/ab")), dir / "b/ab");
    EXPECT_EQ(nativePath(backslashed(dir / "b/AB")), dir / "b/Ab");  // "Ab" < "aB" in byte order
    // The folder's names, kept since that lookup, answer the same.
    EXPECT_EQ(nativePath(backslashed(dir / "b/aB")), dir / "b/aB");
    EXPECT_EQ(nativePath(backslashed(dir / "b/AB")), dir / "b/Ab");
    EXPECT_EQ(nativePath(backslashed(dir / "b/new")), dir / "b/new");
}

// A file made the way the tool makes every file: under a temporary name, then renamed.
void makeFile(const std::string& pathText) {
    WholeFile file(pathText);
    std::ofstream out = file.openStream();
    EXPECT_EQ(file.commit(out), "");
}

// Names are kept per folder once listed; they must follow every change, whoever makes it.
TEST(NativePathTest, KeptNamesFollowChangesByThisProcessAndOthers) {
    TempDir dir;
    const std::string out = dir.str() + "\\out\\";
    fs::create_directories(dir / "Out");
    EXPECT_EQ(nativePath(out + "Wall.png"), dir / "Out/Wall.png");  // lists Out
    writeFile(dir / "Out/SKY.PNG", "made by another program");
    EXPECT_EQ(nativePath(out + "sky.png"), dir / "Out/SKY.PNG");
    makeFile(out + "Wall.png");
    EXPECT_EQ(nativePath(out + "WALL.PNG"), dir / "Out/Wall.png");
    deleteFile(out + "wall.png");
    EXPECT_EQ(nativePath(out + "WALL.PNG"), dir / "Out/WALL.PNG");
    fs::remove(dir / "Out/SKY.PNG");
    EXPECT_EQ(nativePath(out + "sky.png"), dir / "Out/sky.png");

    // Removed and made again in another case: nothing of the old folder's names is left.
    writeFile(dir / "Out/Tree.png", "x");
    EXPECT_EQ(nativePath(out + "tree.png"), dir / "Out/Tree.png");
    removeAll(out);
    createDirectory(dir.str() + "\\OUT");
    EXPECT_EQ(nativePath(out + "tree.png"), dir / "OUT/tree.png");
    writeFile(dir / "OUT/Kerb.png", "x");
    EXPECT_EQ(nativePath(out + "KERB.PNG"), dir / "OUT/Kerb.png");

    // A file made through a link to the folder is found through its real path.
    fs::create_directory_symlink(dir / "OUT", dir / "Alias");
    EXPECT_EQ(nativePath(dir.str() + "\\alias\\Sign.png"), dir / "Alias/Sign.png");
    makeFile(dir.str() + "\\alias\\Sign.png");
    EXPECT_EQ(nativePath(out + "SIGN.PNG"), dir / "OUT/Sign.png");
}

TEST(NativePathTest, KeepsATrailingSeparator) {
    TempDir dir;
    fs::create_directories(dir / "Out");
    EXPECT_EQ(nativePath(dir.str() + "\\OUT\\").string(), (dir / "Out").string() + "/");
    EXPECT_EQ(nativePath(dir.str() + "\\OUT/\\").string(), (dir / "Out").string() + "/");
}

#endif  // _WIN32

TEST(PathKindTest, TellsFoldersFilesAndNothing) {
    TempDir dir;
    writeFile(dir / "F/file.txt", "x");
    EXPECT_EQ(pathKind(dir.str() + "\\f"), PathKind::directory);
    EXPECT_EQ(pathKind(dir.str() + "\\f\\FILE.TXT"), PathKind::regularFile);
    EXPECT_EQ(pathKind(dir.str() + "\\missing\\x"), PathKind::missing);
    EXPECT_EQ(pathKind(dir.str() + "\\f\\file.txt\\below"), PathKind::missing);
}

TEST(CopyAndDeleteTest, CopyReplacesAndFailuresAreSaid) {
    TempDir dir;
    writeFile(dir / "A.bin", "new");
    writeFile(dir / "B.bin", "old contents");
    EXPECT_EQ(copyFileWhole(dir.str() + "\\a.bin", dir.str() + "\\b.bin"), "");
    EXPECT_EQ(test::readText(dir / "B.bin"), "new");
    EXPECT_NE(copyFileWhole(dir.str() + "\\missing", dir.str() + "\\c.bin"), "");
    EXPECT_NE(copyFileWhole(dir.str() + "\\a.bin", dir.str() + "\\nofolder\\c.bin"), "");
    EXPECT_FALSE(fs::exists(dir / "c.bin"));
    deleteFile(dir.str() + "\\B.BIN");
    EXPECT_FALSE(fs::exists(dir / "B.bin"));
    deleteFile(dir.str() + "\\missing");
    fs::create_directory(dir / "folder");
    deleteFile(dir.str() + "\\folder");  // only files are deleted
    EXPECT_TRUE(fs::exists(dir / "folder"));
}

// The guard behind every write: dot-dot components and links on the way are seen through, a link
// at the last name is not (a write replaces it), and names match without regard to case.
TEST(FolderContainmentTest, SeesThroughDotDotAndLinksOnTheWay) {
    TempDir dir;
    fs::create_directories(dir / "Out/Cars");
    fs::create_directories(dir / "Elsewhere");
    const FolderContainment out(dir.str() + "\\Out\\");
    EXPECT_TRUE(out.holds(dir.str() + "\\out\\CARS\\car1.mip"));
    EXPECT_TRUE(out.holds(dir.str() + "\\Out\\New\\deeper\\x.mip"));
    EXPECT_TRUE(out.holds(out.folderText()));
    EXPECT_FALSE(out.holds(dir.str() + "\\Out\\..\\x.mip"));
    EXPECT_FALSE(out.holds(dir.str() + "\\Out\\Cars\\..\\..\\Elsewhere\\x.mip"));
    EXPECT_FALSE(out.holds(dir.str() + "\\Out\\.."));
    EXPECT_FALSE(out.holds(dir.str() + "\\Outer\\x.mip"));
#ifndef _WIN32
    fs::create_directory_symlink(dir / "Elsewhere", dir / "Out/Link");
    writeFile(dir / "Elsewhere/precious.txt", "keep");
    fs::create_symlink(dir / "Elsewhere/precious.txt", dir / "Out/readme.txt");
    EXPECT_FALSE(out.holds(dir.str() + "/Out/link/x.mip"));
    EXPECT_FALSE(out.holds(dir.str() + "/Out/Link/"));
    EXPECT_TRUE(out.holds(dir.str() + "/Out/README.TXT"));
#endif
}

TEST(ErrorDescriptionTest, NamesTheOperationTheErrorAndThePath) {
    TempDir dir;
    try {
        createDirectory(dir.str() + "\\missing\\new\\");
        FAIL() << "no error raised";
    } catch (const FileSystemError& error) {
        EXPECT_EQ(std::string(error.what()), "create_directory: No such file or directory: \"" +
                                                 dir.str() + "\\missing\\new\\\"");
    }
}

std::vector<std::string> walked(const std::string& folder) {
    std::vector<std::string> files;
    walkRegularFiles(folder, [&](const std::string& relative) { files.push_back(relative); });
    return files;
}

TEST(DirectoryWalkTest, ListsDepthFirstInUpperCasedNameOrder) {
    TempDir dir;
    writeFile(dir / "Src/b.mip", "");
    writeFile(dir / "Src/A/z.mip", "");
    writeFile(dir / "Src/A/Y.MIP", "");
    writeFile(dir / "Src/_x.pcx", "");  // '_' sorts after the upper-case letters
    writeFile(dir / "Src/C", "");
    const std::vector<std::string> expected{"A/Y.MIP", "A/z.mip", "b.mip", "C", "_x.pcx"};
    EXPECT_EQ(walked(dir.str() + "\\src\\"), expected);
}

// Symbolic links and folder rights as these tests make them are POSIX notions.
#ifndef _WIN32
TEST(DirectoryWalkTest, FollowsLinksToFilesButNotToFolders) {
    TempDir dir;
    writeFile(dir / "Src/real.mip", "");
    writeFile(dir / "Other/hidden.mip", "");
    fs::create_directory_symlink(dir / "Other", dir / "Src/linked");
    fs::create_symlink(dir / "Src/real.mip", dir / "Src/alias.mip");
    fs::create_symlink(dir / "nothing", dir / "Src/broken.mip");
    const std::vector<std::string> expected{"alias.mip", "real.mip"};
    EXPECT_EQ(walked(dir.str() + "/Src"), expected);
}

TEST(DirectoryWalkTest, SkipsFoldersThatDenyAccess) {
    TempDir dir;
    writeFile(dir / "Src/a.mip", "");
    writeFile(dir / "Src/Locked/b.mip", "");
    writeFile(dir / "Src/z.mip", "");
    fs::permissions(dir / "Src/Locked", fs::perms::none);
    if (::access((dir / "Src/Locked").c_str(), R_OK) == 0) {
        GTEST_SKIP() << "running with rights that read any folder";
    }
    const std::vector<std::string> expected{"a.mip", "z.mip"};
    EXPECT_EQ(walked(dir.str() + "/Src"), expected);
}
#endif  // _WIN32

}  // namespace
}  // namespace vexmor::platform
