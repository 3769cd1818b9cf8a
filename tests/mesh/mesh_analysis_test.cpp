#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/run_context.h"
#include "catalogue/source_catalogue.h"
#include "mesh/mesh_rewrite.h"
#include "support/captured_run.h"
#include "support/mesh_builder.h"
#include "support/temp_dir.h"

namespace vexmor {
namespace {

using test::MeshBuilder;

class MeshAnalysisTest : public ::testing::Test {
protected:
    void analyse(const std::string& rel, const std::string& recordFolder = "Out\\") {
        analyseMesh(run.context, catalogue, rel, dir.str() + "\\Src", recordFolder);
    }

    test::TempDir dir;
    test::CapturedRun run;
    SourceCatalogue catalogue;
};

TEST_F(MeshAnalysisTest, RecordsTheNamesAsStoredAndTheNestedPaths) {
    MeshBuilder b;
    b.mips({"Body", "ABCDEFGH"}).pmps({"Pm"}).meshes({"Wheel"});
    b.dataNode(0x8000000E);
    test::writeFile(dir / "Src" / "Cars" / "Body.3do", b.build());

    analyse("\\Cars\\Body.3do");

    ASSERT_EQ(catalogue.meshes.size(), 1u);
    const MeshRecord& record = catalogue.meshes.front();
    EXPECT_EQ(record.name, "out\\cars\\body.3do");
    EXPECT_EQ(record.mipNames, (std::vector<std::string>{"Body", "ABCDEFGH"}));
    EXPECT_EQ(record.pmpNames, std::vector<std::string>{"Pm"});
    EXPECT_EQ(record.meshPaths, std::vector<std::string>{"Out\\Cars\\Wheel.3do"});
    EXPECT_FALSE(record.scaling);
    EXPECT_TRUE(run.output().empty());
}

TEST_F(MeshAnalysisTest, UnreadableOrImpossibleMeshesMakeNoRecord) {
    MeshBuilder negative;
    negative.mips({"a"}).counts(1, 0, -3);
    test::writeFile(dir / "Src" / "Negative.3do", negative.build());
    MeshBuilder longTable;
    longTable.mips({"a"}).counts(1, 5, 0);
    test::writeFile(dir / "Src" / "Long.3do", longTable.build());

    analyse("Missing.3do");
    analyse("Negative.3do");
    analyse("Long.3do");

    EXPECT_TRUE(catalogue.meshes.empty());
    EXPECT_TRUE(run.output().empty());
}

}  // namespace
}  // namespace vexmor
