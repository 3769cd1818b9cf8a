#include "pipeline/mesh_stage.h"

#include <gtest/gtest.h>

#include "catalogue/source_catalogue.h"
#include "support/captured_run.h"

namespace vexmor {
namespace {

using test::CapturedRun;

TEST(ConversionSummaryTest, ARunWithoutTexturesShowsTheStartValues) {
    CapturedRun run;
    SourceCatalogue catalogue;
    printConversionSummary(run.context, catalogue, {});
    const std::vector<std::string> expected{
        "Shrunk mips: ", "Shrunk 3DOs: ", "Total number of MIPS 0, size 0, resized 0",
        "Total number of MIP levels 0, minimum mip levels 4294967295, maximum mip levels 0",
        "Total number of 3DOs 0, resized 0, with texture coordinates 0"};
    EXPECT_EQ(run.lines(), expected);
}

TEST(ConversionSummaryTest, ListsShrunkTexturesFactorsAndCompactCounts) {
    CapturedRun run;
    RunContext& context = run.context;
    context.shrunkMips = {"out\\b.mip", "out\\a.mip"};
    context.mipScaleX = {{"out\\a.mip", 2}, {"out\\c.mip", 0}};
    context.meshCounts["src\\car.3do"] = 1;
    context.meshMipCounts["src\\car.3do"] = 3;
    context.meshTextureNodes["src\\car.3do"] = 7;
    context.options.compact = true;
    SourceCatalogue catalogue;
    catalogue.meshes.resize(2);
    printConversionSummary(context, catalogue, {{4096}, {1024}});
    const std::vector<std::string> expected{
        "Shrunk mips: ",
        "out\\a.mip",
        "out\\b.mip",
        "Shrunk 3DOs: ",
        "out\\a.mip scaling factor 2",
        "out\\c.mip scaling factor 0",
        "Mesh src\\car.3do: mesh count 1, mip count 3, pmp count 0, texture nodes 7, tcs 0",
        "Total number of MIPS 2, size 10240, resized 2",
        "Total number of MIP levels 0, minimum mip levels 4294967295, maximum mip levels 0",
        "Total number of 3DOs 2, resized 0, with texture coordinates 0"};
    EXPECT_EQ(run.lines(), expected);
}

TEST(MeshStageTest, ListsTheRecordsOfTheAnalysis) {
    CapturedRun run;
    run.context.shrunkMips = {"out\\cars\\body.mip"};
    SourceCatalogue catalogue;
    catalogue.meshes.push_back(
        {"out\\cars\\body.3do", {"Body", "Tyre"}, {"Glass"}, {"Out\\Cars\\Wheel.3do"}, false});
    catalogue.meshes.push_back({"out\\plain.3do", {}, {}, {}, false});
    runMeshStage(run.context, catalogue, "src\\", "out\\", false);
    const std::vector<std::string> expected{"Meshes (3DO)",
                                            "Mesh 3DO out\\cars\\body.3do (scaling false)",
                                            "Mips:",
                                            "      Body (resized true), out\\cars\\body.mip",
                                            "      Tyre (resized false), out\\cars\\tyre.mip",
                                            "Pmps:",
                                            "     Glass",
                                            "Nested meshes",
                                            "     Out\\Cars\\Wheel.3do",
                                            "Mesh 3DO out\\plain.3do (scaling false)"};
    EXPECT_EQ(run.lines(), expected);
}

}  // namespace
}  // namespace vexmor
