// The built binary converting and compacting a small but complete car set.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/run_context.h"
#include "common/text.h"
#include "platform/file_system.h"
#include "support/captured_run.h"
#include "support/mesh_builder.h"
#include "support/mip_builder.h"
#include "support/pcx_builder.h"
#include "support/source_snapshot.h"
#include "support/temp_dir.h"
#include "support/vexmor_process.h"
#include "texture/mip_file.h"

namespace vexmor::test {
namespace {

namespace fs = std::filesystem;
using vexmor::toLowerAscii;

constexpr std::uint32_t kBranch2 = 0x80000006;

// A mesh selecting each of its textures for a textured triangle, and naming nested meshes.
std::vector<std::uint8_t> texturedMesh(const std::vector<std::string>& mips,
                                       const std::vector<std::string>& pmps,
                                       const std::vector<std::string>& nested) {
    MeshBuilder b;
    b.mips(mips).pmps(pmps).meshes(nested);
    std::vector<std::uint32_t> children;
    for (std::size_t i = 0; i < mips.size(); ++i) {
        const std::int16_t u = static_cast<std::int16_t>(16 * i);
        const std::uint32_t a = b.vertex(0, 0, 0, {u, 0});
        const std::uint32_t c = b.vertex(10, 0, 0, {u, 32});
        const std::uint32_t d = b.vertex(0, 10, 0, {32, u});
        children.push_back(
            b.textureSelection(static_cast<std::int32_t>(i), b.texturedPolygon({a, c, d})));
    }
    if (!nested.empty()) {
        children.push_back(b.nestedReference(-1));
    }
    const std::uint32_t top =
        children.size() == 2 ? b.branch(kBranch2, children) : b.list(children);
    b.root(top);
    return b.build();
}

class CarsetConversionEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        writeFile(dir / "MyCar/Sunny.pcx", buildPcx(gradientPalette()));
        writeFile(dir / "MyCar/Body.MIP", buildMip(body));
        writeFile(dir / "MyCar/Tyre.mip", buildMip(mipSpec(64, 62, 3)));
        writeFile(dir / "MyCar/Car.3do", texturedMesh({"Body", "Tyre"}, {"Glass"}, {"WHEEL"}));
        writeFile(dir / "MyCar/Wheel.3do", texturedMesh({"Tyre"}, {}, {}));
        writeFile(dir / "MyCar/Parts/Mirror.MIP", buildMip(mipSpec(32, 30, 1)));
        writeFile(dir / "MyCar/Parts/Mirror.3do", texturedMesh({"Mirror"}, {}, {}));
        writeFile(dir / "MyCar/Parts/readme.txt", "not part of the set");
    }

    // Every run leaves the source as it was.
    ProcessResult run(std::vector<std::string> args) {
        const SourceSnapshot snapshot(dir / "MyCar");
        ProcessResult result = runVexmor(args, {{}, dir.path()});
        snapshot.expectUnchanged();
        return result;
    }
    std::string source() const { return dir.str() + "/MyCar"; }
    std::string out() const { return dir.str() + "/Out"; }
    // A path as the tool keys it: the output text and the name, lower-cased.
    std::string key(const std::string& rel) const { return toLowerAscii(out() + "\\" + rel); }

    TempDir dir;
    MipSpec body = mipSpec(256, 256, 4);
};

TEST_F(CarsetConversionEndToEnd, ConvertShrinksWideTexturesAndCopiesTheMeshes) {
    const ProcessResult result = run({source(), "-convert", out()});
    ASSERT_EQ(result.exitCode, 0) << result.output;
    // Mesh copies are named by their lower-cased paths, inside the folders that exist.
    const std::vector<std::string> expectedFiles{"Body.MIP", "Parts/Mirror.MIP", "Parts/mirror.3do",
                                                 "Tyre.mip", "car.3do",          "wheel.3do"};
    EXPECT_EQ(listFiles(dir / "Out"), expectedFiles);
    for (const char* unchanged : {"Tyre.mip", "Parts/Mirror.MIP"}) {
        EXPECT_EQ(readFile(dir / "Out" / unchanged), readFile(dir / "MyCar" / unchanged))
            << unchanged;
    }
    for (const auto& [copy, original] : std::vector<std::pair<std::string, std::string>>{
             {"car.3do", "Car.3do"},
             {"wheel.3do", "Wheel.3do"},
             {"Parts/mirror.3do", "Parts/Mirror.3do"}}) {
        EXPECT_EQ(readFile(dir / "Out" / copy), readFile(dir / "MyCar" / original)) << copy;
    }

    // The body keeps the left pixel of every pair on every level.
    CapturedRun reader;
    MipImage shrunk;
    readMip(reader.context.console, shrunk, out() + "/Body.MIP", true);
    EXPECT_EQ(shrunk.header.width, 128u);
    EXPECT_EQ(shrunk.header.heightMinus2, 256u);
    ASSERT_EQ(shrunk.levels.size(), 4u);
    for (std::uint32_t level = 0; level < 4; ++level) {
        const std::vector<std::uint8_t> original = mipLevelPixels(body, level);
        const std::uint32_t w = 256 >> level;
        const std::uint32_t h = (256 >> level) + 2;
        ASSERT_EQ(shrunk.levels[level].size(), std::size_t{w / 2} * h);
        for (std::uint32_t y = 0; y < h; ++y) {
            for (std::uint32_t x = 0; x < w / 2; ++x) {
                ASSERT_EQ(shrunk.levels[level][y * (w / 2) + x], original[y * w + 2 * x]);
            }
        }
    }

    const std::vector<std::string> lines = result.lines();
    const auto shrunkAt = std::find(lines.begin(), lines.end(), "Shrunk mips: ");
    ASSERT_NE(shrunkAt, lines.end()) << result.output;
    const std::vector<std::string> summary(shrunkAt, shrunkAt + 8);
    const std::vector<std::string> expectedSummary{"Shrunk mips: ",
                                                   key("body.mip"),
                                                   key("parts\\mirror.mip"),
                                                   key("tyre.mip"),
                                                   "Shrunk 3DOs: ",
                                                   key("body.mip") + " scaling factor 2",
                                                   key("parts\\mirror.mip") + " scaling factor 1",
                                                   key("tyre.mip") + " scaling factor 1"};
    EXPECT_EQ(summary, expectedSummary);
    // 2 × (128×258 + 64×130 + 32×66 + 16×34 + 64×64 + 32×33 + 16×17 + 32×32)
    EXPECT_TRUE(hasLine(lines, "Total number of MIPS 3, size 100896, resized 3"));
    EXPECT_TRUE(
        hasLine(lines, "Total number of MIP levels 8, minimum mip levels 1, maximum mip levels 4"));
    EXPECT_TRUE(hasLine(lines, "Total number of 3DOs 3, resized 0, with texture coordinates 0"));
    EXPECT_TRUE(hasLine(lines, "Mesh 3DO " + key("car.3do") + " (scaling false)"));
    EXPECT_TRUE(hasLine(lines, "      Body (resized true), " + key("body.mip")));
    EXPECT_TRUE(hasLine(lines, "     " + out() + "\\WHEEL.3do"));
    // The wheel is rewritten as the car's nested mesh and again on its own.
    EXPECT_TRUE(
        hasLine(lines, "3DO " + toLowerAscii(source()) + "\\wheel.3do is already processed"));
}

TEST_F(CarsetConversionEndToEnd, TheMeshFilterLimitsTheRewrite) {
    const ProcessResult result = run({source(), "-convert", "mirror", out()});
    ASSERT_EQ(result.exitCode, 0) << result.output;
    EXPECT_TRUE(fs::exists(dir / "Out/Parts/mirror.3do"));
    EXPECT_FALSE(fs::exists(dir / "Out/car.3do"));
    EXPECT_FALSE(fs::exists(dir / "Out/wheel.3do"));
    EXPECT_TRUE(
        hasLine(result.lines(), "Total number of 3DOs 3, resized 0, with texture coordinates 0"));
}

TEST_F(CarsetConversionEndToEnd, CompactPointsEveryMeshAtTheMasterTexture) {
    const ProcessResult result = run({source(), "-compact", "256", "128", out()});
    ASSERT_EQ(result.exitCode, 0) << result.output;
    const std::vector<std::string> expectedFiles{"Parts/mirror.3do", "car.3do", "master.mip",
                                                 "wheel.3do"};
    EXPECT_EQ(listFiles(dir / "Out"), expectedFiles);
    EXPECT_EQ(fs::file_size(dir / "Out/master.mip"), 32804u);

    // Every MIP name field of a copy reads "master"; the rest is the source byte for byte.
    for (const auto& [name, mipCount] : std::vector<std::pair<std::string, std::size_t>>{
             {"Car.3do", 2}, {"Wheel.3do", 1}, {"Parts/Mirror.3do", 1}}) {
        std::vector<std::uint8_t> expected = readFile(dir / "MyCar" / name);
        for (std::size_t i = 0; i < mipCount; ++i) {
            const std::string field("master\0\0", 8);
            std::copy(field.begin(), field.end(), expected.begin() + 20 + 8 * i);
        }
        EXPECT_EQ(readFile(platform::nativePath(out() + "/" + toLowerAscii(name))), expected)
            << name;
    }

    const std::string src = toLowerAscii(source()) + "\\";
    const std::vector<std::string> lines = result.lines();
    EXPECT_TRUE(hasLine(
        lines,
        "Mesh " + src + "car.3do: mesh count 1, mip count 2, pmp count 1, texture nodes 2, tcs 6"))
        << result.output;
    EXPECT_TRUE(hasLine(
        lines, "Mesh " + src +
                   "wheel.3do: mesh count 0, mip count 2, pmp count 0, texture nodes 2, tcs 6"));
    EXPECT_TRUE(hasLine(
        lines,
        "Mesh " + src +
            "parts\\mirror.3do: mesh count 0, mip count 1, pmp count 0, texture nodes 1, tcs 3"));
    // Selected textures that were never shrunk are listed with the factor 0.
    EXPECT_TRUE(hasLine(lines, key("tyre.mip") + " scaling factor 0"));
    EXPECT_TRUE(hasLine(lines, "Total number of 3DOs 3, resized 0, with texture coordinates 0"));
}

}  // namespace
}  // namespace vexmor::test
