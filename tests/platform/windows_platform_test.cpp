// The Windows half of the platform layer: path texts in the system code page, the walk's names,
// case-insensitive containment, the report's place and the imaging identifiers.
#ifdef _WIN32
#include <windows.h>
// after windows.h, whose types it uses
#include <wincodec.h>

#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "platform/whole_file.h"
#include "platform/windows/wic_guids.h"
#include "support/temp_dir.h"

namespace vexmor::platform {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::writeFile;

std::vector<std::string> walked(const std::string& folder) {
    std::vector<std::string> files;
    walkRegularFiles(folder, [&](const std::string& relative) { files.push_back(relative); });
    return files;
}

TEST(WindowsPathTest, PathTextsAreUsedAsTheyAre) {
    EXPECT_EQ(nativePath("c:\\Cars/MyCar\\body.MIP").native(), L"c:\\Cars/MyCar\\body.MIP");
    EXPECT_EQ(nativePath("out\\").native(), L"out\\");
    EXPECT_EQ(reportFilePath().native(), L"c:\\temp\\mi433.csv");
}

TEST(WindowsPathTest, EightBitTextsAreInTheSystemCodePage) {
    if (GetACP() != 1252) {
        GTEST_SKIP() << "the checks name characters of code page 1252";
    }
    TempDir dir;
    {
        WholeFile made(dir.str() + "\\caf\xE9.mip");
        EXPECT_EQ(made.commit(), "");
    }
    EXPECT_TRUE(fs::exists(dir.path() / L"caf\u00E9.mip"));
    EXPECT_EQ(walked(dir.str()), std::vector<std::string>{"caf\xE9.mip"});
}

TEST(WindowsPathTest, ANameWithoutAnEightBitFormEndsTheWalk) {
    if (GetACP() == CP_UTF8) {
        GTEST_SKIP() << "every name has a UTF-8 form";
    }
    TempDir dir;
    writeFile(dir.path() / L"\u4E2D.mip", "x");
    try {
        walked(dir.str());
        FAIL() << "no error raised";
    } catch (const FileSystemError& error) {
        const std::string what = error.what();
        EXPECT_TRUE(what.starts_with("recursive_directory_iterator::operator++: ")) << what;
        EXPECT_TRUE(what.ends_with("/?.mip\"")) << what;
    }
}

TEST(WindowsPathTest, ContainmentIgnoresCaseAsTheFileSystemDoes) {
    TempDir dir;
    fs::create_directories(dir / "Cars/MyCar");
    EXPECT_TRUE(isSameOrInside(dir.str() + "\\cars\\mycar", dir.str() + "\\CARS"));
    EXPECT_TRUE(isSameOrInside(dir.str() + "/CARS/MYCAR", dir.str() + "/cars/mycar/"));
    EXPECT_FALSE(isSameOrInside(dir.str() + "\\cars", dir.str() + "\\cars\\mycar"));
    EXPECT_FALSE(isSameOrInside(dir.str() + "\\carsx", dir.str() + "\\cars"));
    EXPECT_TRUE(isFileSystemRoot("c:\\"));
    EXPECT_TRUE(isFileSystemRoot("C:/"));
    EXPECT_FALSE(isFileSystemRoot(dir.str()));
}

TEST(WindowsPathTest, FoldersAreFoundWhateverTheCase) {
    TempDir dir;
    writeFile(dir / "Src/Cars/CAR1.MIP", "x");
    EXPECT_EQ(pathKind(dir.str() + "\\SRC\\cars"), PathKind::directory);
    EXPECT_EQ(walked(dir.str() + "\\src\\CARS\\"), std::vector<std::string>{"CAR1.MIP"});
    EXPECT_EQ(copyFileWhole(dir.str() + "\\src\\cars\\car1.mip", dir.str() + "\\SRC\\Copy.mip"),
              "");
    EXPECT_EQ(test::readText(dir / "Src/Copy.mip"), "x");
}

TEST(WicIdentifierTest, MatchTheSdkValues) {
    EXPECT_TRUE(IsEqualGUID(windows::kWicImagingFactory2, CLSID_WICImagingFactory2));
    EXPECT_TRUE(IsEqualGUID(windows::kWicImagingFactoryInterface, IID_IWICImagingFactory));
    EXPECT_TRUE(IsEqualGUID(windows::kPngContainer, GUID_ContainerFormatPng));
    EXPECT_TRUE(IsEqualGUID(windows::kPixelFormat32bppBgra, GUID_WICPixelFormat32bppBGRA));
}

}  // namespace
}  // namespace vexmor::platform

#endif  // _WIN32
