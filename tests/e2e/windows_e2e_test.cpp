// vexmor.exe on Windows: console lines in text mode, the report on its fixed path, and output
// folders compared without regard to case.
#ifdef _WIN32
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "support/captured_run.h"
#include "support/line_ends.h"
#include "support/mip_builder.h"
#include "support/source_snapshot.h"
#include "support/temp_dir.h"
#include "support/vexmor_process.h"

namespace vexmor::test {
namespace {

namespace fs = std::filesystem;

const fs::path kReport(L"c:\\temp\\mi433.csv");

TEST(WindowsEndToEnd, EveryConsoleLineEndsWithCarriageReturnAndLineFeed) {
    TempDir dir;
    const ProcessResult result = runVexmor({}, {dir.path()});
    EXPECT_EQ(result.exitCode, 1);
    const std::string& out = result.output;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 22);
    EXPECT_EQ(std::count(out.begin(), out.end(), '\r'), 22);
    for (std::size_t at = out.find('\n'); at != std::string::npos; at = out.find('\n', at + 1)) {
        ASSERT_GT(at, 0u);
        EXPECT_EQ(out[at - 1], '\r') << at;
    }
}

TEST(WindowsEndToEnd, TheReportIsWrittenInTextModeOnItsFixedPath) {
    if (!fs::is_directory(kReport.parent_path())) {
        GTEST_SKIP() << "no folder c:\\temp";
    }
    TempDir dir;
    writeFile(dir / "Cars/Body.mip", buildMip(mipSpec(16, 14, 1)));
    writeFile(kReport, std::string("stale"));
    const SourceSnapshot snapshot(dir / "Cars");
    const ProcessResult result = runVexmor({dir.str() + "/Cars", "-convert", dir.str() + "/Out"});
    snapshot.expectUnchanged();
    ASSERT_EQ(result.exitCode, 0) << result.output;
    EXPECT_EQ(readText(kReport),
              asWritten("Filename,mip level, mip level internal,num mips,width,height,size,offset,"
                        "magic\n"));
}

TEST(WindowsEndToEnd, AnOutputFolderNamedInAnotherCaseThatHoldsTheSourceIsKept) {
    TempDir dir;
    writeFile(dir / "Cars/MyCar/Body.mip", buildMip(mipSpec(16, 14, 1)));
    std::string upper = dir.str() + "/CARS";
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
    const SourceSnapshot snapshot(dir / "Cars");
    const ProcessResult result = runVexmor({dir.str() + "/Cars/MyCar", "-convert", upper});
    snapshot.expectUnchanged();
    EXPECT_EQ(result.exitCode, 3) << result.output;
}

}  // namespace
}  // namespace vexmor::test

#endif  // _WIN32
