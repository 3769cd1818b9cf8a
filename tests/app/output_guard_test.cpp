#include "app/output_guard.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "catalogue/source_catalogue.h"
#include "pipeline/conversion_driver.h"
#include "support/captured_run.h"
#include "support/dat_builder.h"
#include "support/mesh_builder.h"
#include "support/mip_builder.h"
#include "support/temp_dir.h"

namespace vexmor {
namespace {

namespace fs = std::filesystem;
using test::CapturedRun;
using test::readText;
using test::TempDir;
using test::writeFile;

// The second line of defence: a relative name that climbs out of the output folder (one ordinary
// file name on Linux) reaches the driver; neither the track texture's MI4 nor the copy of the
// mesh is made there, each is refused with one line, and the run ends as one that could not
// write.
TEST(OutputGuardTest, NamesThatClimbOutOfTheOutputFolderAreRefused) {
    TempDir dir;
    writeFile(dir / "s/x.mip", test::buildMip(test::mipSpec(8, 6, 1)));
    writeFile(dir / "s/y.3do", test::MeshBuilder().build());
    writeFile(dir / "x.mip", "precious");
    writeFile(dir / "y.3do", "precious");
    const std::string source = dir.str() + "/s/a/src";
    const std::string output = dir.str() + "/w/out\\";
    fs::create_directories(dir / "s/a/src");

    CapturedRun run;
    run.context.options.convert = true;
    run.context.options.track = true;
    SourceCatalogue catalogue;
    catalogue.files = {{"..\\..\\x.mip", 0, 0}, {"..\\..\\y.3do", 0, 0}};
    runConversion(run.context, catalogue, source, output, true, false);

    const std::string refused = "Error - refusing to write " + output;
    const std::string because = " because it lies outside the output folder " + output;
    const auto lines = run.lines();
    EXPECT_TRUE(test::hasLine(lines, refused + "..\\..\\x.mi4" + because)) << run.output();
    EXPECT_TRUE(test::hasLine(lines, refused + "..\\..\\y.3do" + because)) << run.output();
    EXPECT_TRUE(run.context.writeFailed);
    EXPECT_EQ(readText(dir / "x.mip"), "precious");
    EXPECT_EQ(readText(dir / "y.3do"), "precious");
    EXPECT_FALSE(fs::exists(dir / "x.mi4"));
    EXPECT_TRUE(test::listFiles(dir / "w/out").empty());  // the marker aside
}

#ifndef _WIN32
// A link found at a member's name (found without regard to case) is replaced, never written
// through.
TEST(OutputGuardTest, UnpackReplacesALinkInsteadOfWritingThroughIt) {
    TempDir dir;
    writeFile(dir / "elsewhere/precious.txt", "keep me");
    fs::create_directories(dir / "out");
    fs::create_symlink(dir / "elsewhere/precious.txt", dir / "out/readme.txt");
    test::DatSpec shape;
    shape.members = {{"README.TXT", test::patternBytes(10), {}, {}}};
    writeFile(dir / "x.dat", test::buildDat(shape));

    CapturedRun run;
    EXPECT_EQ(run.run({dir.str() + "/x.dat", "-unpack", dir.str() + "/out"}), 0) << run.output();

    EXPECT_EQ(readText(dir / "elsewhere/precious.txt"), "keep me");
    EXPECT_FALSE(fs::is_symlink(dir / "out/readme.txt"));
    EXPECT_EQ(test::readFile(dir / "out/readme.txt"), test::patternBytes(10));
}
#endif

}  // namespace
}  // namespace vexmor
