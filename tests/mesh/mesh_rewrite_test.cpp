#include "mesh/mesh_rewrite.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/run_context.h"
#include "common/text.h"
#include "mesh/mesh_file.h"
#include "platform/file_system.h"
#include "support/captured_run.h"
#include "support/mesh_builder.h"
#include "support/temp_dir.h"

namespace vexmor {
namespace {

using test::CapturedRun;
using test::hasLine;
using test::MeshBuilder;
using test::TempDir;

constexpr std::uint32_t kDataE = 0x8000000E;
const std::string kHeaderStars(35, '*');

// A mesh whose root selects texture 0 of its MIP table.
MeshBuilder texturedMesh(std::vector<std::string> mips) {
    MeshBuilder b;
    b.mips(std::move(mips));
    b.textureSelection(0, b.dataNode(kDataE));
    return b;
}

class MeshRewriteTest : public ::testing::Test {
protected:
    MeshRewriteTest() {
        run.context.options.info = true;
        std::filesystem::create_directories(dir / "out");
    }

    void put(const std::string& relative, const MeshBuilder& b) {
        test::writeFile(dir / "src" / relative, b.build());
    }
    void makeOutputFolder(const std::string& relative) {
        std::filesystem::create_directories(dir / "out" / relative);
    }

    void rewrite(const std::string& rel, bool topLevel = true, bool copyOnly = false) {
        MeshFile mesh;
        rewriteMesh(run.context, mesh, rel, source, output, topLevel, copyOnly);
        lines = run.lines();
    }

    std::string sourceFile(const std::string& rel) const { return toLowerAscii(source + rel); }
    std::string destinationFile(const std::string& rel) const { return toLowerAscii(output + rel); }
    bool copied(const std::string& rel) const {
        return platform::pathKind(destinationFile(rel)) == platform::PathKind::regularFile;
    }
    std::vector<std::uint8_t> copyOf(const std::string& rel) const {
        return test::readFile(platform::nativePath(destinationFile(rel)));
    }
    std::size_t countContaining(const std::string& part) const {
        return static_cast<std::size_t>(std::count_if(
            lines.begin(), lines.end(),
            [&](const std::string& line) { return line.find(part) != std::string::npos; }));
    }
    std::size_t indexOf(const std::string& line) const {
        return static_cast<std::size_t>(std::find(lines.begin(), lines.end(), line) -
                                        lines.begin());
    }

    TempDir dir;
    CapturedRun run;
    const std::string source = dir.str() + "\\Src\\";
    const std::string output = dir.str() + "\\out\\";
    std::vector<std::string> lines;
};

TEST_F(MeshRewriteTest, ReportsTheHeaderAndTablesWalksAndCopies) {
    MeshBuilder b = texturedMesh({"Body", "car1"});
    b.pmps({"Pm1"});
    put("Cars/Body.3DO", b);
    makeOutputFolder("Cars");
    const std::string body = sourceFile("cars\\body.3do");
    const std::string shrunk = destinationFile("cars\\body.mip");
    run.context.shrunkMips = {shrunk};

    rewrite("Cars\\Body.3do");

    const std::vector<std::string> head(lines.begin(), lines.begin() + 11);
    EXPECT_EQ(head, (std::vector<std::string>{
                        kHeaderStars,
                        "3DO " + body + ": file size 68",
                        kHeaderStars,
                        "   3DO " + body + ": [0] contains MIP Body.mip",
                        "Contains scaled MIP " + shrunk,
                        "   3DO " + body + ": [1] contains MIP car1.mip",
                        "Contains unscaled MIP " + destinationFile("cars\\car1.mip"),
                        "Contains scaled and unscaled MIPS",
                        "   3DO " + body + ": [0] contains PMP Pm1.pmp",
                        "Header size 44[2C] (actual), 44 (calculated) [2C], file size 68",
                        "3DO " + body + ": depth 1",
                    }));
    EXPECT_EQ(lines.back(), "3DO " + body + ", untextured vertice 0, textured vertices 0 *** end");
    EXPECT_TRUE(hasLine(lines, "Texture selection " + shrunk + " (3DO destPath" +
                                   destinationFile("cars\\body.3do") + ":" + body + ")"));
    EXPECT_EQ(run.context.meshMipCounts[body], 2u);
    EXPECT_EQ(run.context.meshPmpCounts[body], 1u);
    EXPECT_EQ(run.context.meshCounts.count(body), 1u);
    EXPECT_EQ(run.context.meshTextureNodes[body], 1u);
    EXPECT_TRUE(run.context.openMeshes.empty());
    EXPECT_EQ(copyOf("cars\\body.3do"), b.build());
}

TEST_F(MeshRewriteTest, NestedMeshIsRewrittenFirstWithAnIndent) {
    MeshBuilder body = texturedMesh({"body"});
    body.meshes({"WHEEL"});
    put("Cars/Body.3do", body);
    put("Cars/Wheel.3do", texturedMesh({"rim"}));
    makeOutputFolder("Cars");
    run.context.options.compact = true;
    const std::string bodyFile = sourceFile("cars\\body.3do");
    const std::string wheelFile = sourceFile("cars\\wheel.3do");

    rewrite("Cars\\Body.3do");

    EXPECT_TRUE(hasLine(lines, "   3DO " + bodyFile + ": [0] contains 3DO wheel.3do"));
    EXPECT_TRUE(hasLine(lines, "      3DO " + wheelFile + ": [0] contains MIP rim.mip"));
    EXPECT_TRUE(hasLine(lines, "   Texture selection " + destinationFile("cars\\rim.mip") +
                                   " (3DO destPath" + destinationFile("cars\\wheel.3do") + ":" +
                                   wheelFile + ")"));
    const std::size_t wheelEnd =
        indexOf("3DO " + wheelFile + ", untextured vertice 0, textured vertices 0 *** end");
    EXPECT_LT(indexOf("3DO " + wheelFile + ": file size 52"), wheelEnd);
    EXPECT_LT(wheelEnd, indexOf("3DO " + bodyFile + ": depth 1"));
    // Only the top-level mesh prints its node flavours: two nodes.
    EXPECT_EQ(countContaining("RootNode Flavour"), 2u);
    EXPECT_TRUE(copied("cars\\wheel.3do"));
    EXPECT_TRUE(copied("cars\\body.3do"));
    EXPECT_EQ(run.context.meshCounts[bodyFile], 1u);
    EXPECT_EQ(run.context.meshMipCounts[wheelFile], 1u);
    EXPECT_TRUE(run.context.openMeshes.empty());
}

TEST_F(MeshRewriteTest, MeshThatNestsItselfIsSkippedInside) {
    MeshBuilder body = texturedMesh({"body"});
    body.meshes({"Body"});
    put("Body.3do", body);
    const std::string bodyFile = sourceFile("body.3do");

    rewrite("Body.3do");

    EXPECT_EQ(countContaining("File already open"), 1u);
    EXPECT_TRUE(
        hasLine(lines, "File already open " + bodyFile + "[" + destinationFile("body.3do") + "]"));
    EXPECT_EQ(run.context.meshMipCounts[bodyFile], 1u);
    EXPECT_TRUE(copied("body.3do"));
}

TEST_F(MeshRewriteTest, SecondMeshOfTheSameFileNameIsMarkedAndStillCopied) {
    put("A/X.3do", texturedMesh({"t"}));
    put("B/X.3do", texturedMesh({"t"}));
    makeOutputFolder("a");
    makeOutputFolder("b");
    run.context.options.info = false;

    rewrite("A\\X.3do");
    EXPECT_TRUE(lines.empty());
    rewrite("B\\X.3do");
    EXPECT_EQ(lines,
              std::vector<std::string>{"3DO " + sourceFile("b\\x.3do") + " is already processed"});
    EXPECT_TRUE(copied("a\\x.3do"));
    EXPECT_TRUE(copied("b\\x.3do"));
    EXPECT_EQ(run.context.processedMeshNames, std::set<std::string>{"x.3do"});
}

TEST_F(MeshRewriteTest, TopLevelMeshWithoutMipsIsLeftAloneButNotWhenNested) {
    MeshBuilder plain;
    plain.dataNode(kDataE);
    put("Plain.3do", plain);

    rewrite("Plain.3do");
    EXPECT_TRUE(lines.empty());
    EXPECT_FALSE(copied("plain.3do"));
    EXPECT_TRUE(run.context.meshMipCounts.empty());

    MeshBuilder parent = texturedMesh({"t"});
    parent.meshes({"plain"});
    put("Parent.3do", parent);
    rewrite("Parent.3do");
    EXPECT_TRUE(copied("plain.3do"));
    EXPECT_EQ(run.context.meshMipCounts[sourceFile("plain.3do")], 0u);
}

TEST_F(MeshRewriteTest, TrackOnlyCopies) {
    MeshBuilder b = texturedMesh({"t"});
    b.counts(-1, 0, 0);  // not read at all
    put("Track.3do", b);

    rewrite("Track.3do", true, true);

    EXPECT_EQ(lines,
              std::vector<std::string>{"Copying " + sourceFile("track.3do") + " to " +
                                       destinationFile("track.3do") + " without modification"});
    EXPECT_EQ(copyOf("track.3do"), b.build());
    EXPECT_TRUE(run.context.meshMipCounts.empty());
    EXPECT_TRUE(run.context.processedMeshNames.empty());
}

TEST_F(MeshRewriteTest, CompactPointsEveryMipNameOfTheCopyAtTheMaster) {
    MeshBuilder b = texturedMesh({"one", "two", "ABCDEFGH"});
    b.pmps({"keepme"});
    put("Car.3do", b);
    run.context.options.compact = true;

    rewrite("Car.3do");

    const std::vector<std::uint8_t> original = b.build();
    std::vector<std::uint8_t> expected = original;
    const std::string master("master\0\0", 8);
    for (std::size_t field = 0; field < 3; ++field) {
        std::copy(master.begin(), master.end(), expected.begin() + 20 + 8 * field);
    }
    EXPECT_EQ(copyOf("car.3do"), expected);
    EXPECT_EQ(test::readFile(dir / "src" / "Car.3do"), original);
}

TEST_F(MeshRewriteTest, MissingMeshIsReported) {
    rewrite("Gone.3do");
    EXPECT_EQ(lines, std::vector<std::string>{"Could not open 3DO: " + sourceFile("gone.3do") +
                                              " (root true)"});
    run.clearOutput();
    rewrite("Gone.3do", false);
    EXPECT_EQ(lines, std::vector<std::string>{"Could not open 3DO: " + sourceFile("gone.3do") +
                                              " (root false)"});
}

TEST_F(MeshRewriteTest, CountsThatDoNotFitTheFileAreRefused) {
    MeshBuilder negative = texturedMesh({"t"});
    negative.counts(1, -1, 0);
    put("Negative.3do", negative);
    MeshBuilder tooMany = texturedMesh({"t"});
    tooMany.counts(1, 0, 1000);
    put("TooMany.3do", tooMany);

    rewrite("Negative.3do");
    EXPECT_EQ(lines, std::vector<std::string>{"Error - 3DO " + sourceFile("negative.3do") +
                                              ": header counts 1, -1, 0 do not fit the file; "
                                              "skipped"});
    run.clearOutput();
    rewrite("TooMany.3do", false);
    EXPECT_EQ(lines, std::vector<std::string>{"Error - 3DO " + sourceFile("toomany.3do") +
                                              ": header counts 1, 0, 1000 do not fit the file; "
                                              "skipped"});
    EXPECT_FALSE(copied("negative.3do"));
    EXPECT_FALSE(copied("toomany.3do"));
    EXPECT_TRUE(run.context.meshMipCounts.empty());
    EXPECT_TRUE(run.context.openMeshes.empty());
}

TEST_F(MeshRewriteTest, UnsafeNestedNamesAreNotFollowed) {
    MeshBuilder b = texturedMesh({"t"});
    b.meshes({"..", "a:b", "x\\y", "", "OK"});
    put("Car.3do", b);
    put("OK.3do", texturedMesh({"t"}));
    test::writeFile(dir / ".3do", b.build());  // what an empty name would reach

    rewrite("Car.3do");

    const std::string car = sourceFile("car.3do");
    for (const std::string name : {"..", "a:b", "x\\y", ""}) {
        EXPECT_TRUE(
            hasLine(lines, "Error - 3DO " + car + ": unsafe nested mesh name " + name + " skipped"))
            << name;
    }
    EXPECT_TRUE(hasLine(lines, "   3DO " + car + ": [4] contains 3DO ok.3do"));
    EXPECT_TRUE(copied("ok.3do"));
    EXPECT_EQ(countContaining(": file size"), 2u);
}

TEST_F(MeshRewriteTest, NestingDeeperThanTheBoundIsCut) {
    run.context.options.info = false;
    for (int i = 0; i < 35; ++i) {
        MeshBuilder b;
        b.mips(i == 0 ? std::vector<std::string>{"t"} : std::vector<std::string>{});
        b.meshes({"m" + std::to_string(i + 1)});
        b.dataNode(kDataE);
        put("m" + std::to_string(i) + ".3do", b);
    }

    rewrite("m0.3do");

    EXPECT_EQ(lines, std::vector<std::string>{"Error - 3DO " + sourceFile("m32.3do") +
                                              ": nested mesh m33.3do is more than 32 levels "
                                              "deep; skipped"});
    EXPECT_TRUE(copied("m32.3do"));
    EXPECT_FALSE(copied("m33.3do"));
}

TEST_F(MeshRewriteTest, NestedRewritesBelowOneMeshAreBounded) {
    run.context.options.info = false;
    MeshBuilder a = texturedMesh({"t"});
    a.meshes(std::vector<std::string>(101, "b"));
    put("a.3do", a);
    // Every attempt counts, so references to a missing mesh reach the bound quickly.
    MeshBuilder b;
    b.meshes(std::vector<std::string>(100, "gone"));
    b.dataNode(kDataE);
    put("b.3do", b);

    rewrite("a.3do");

    // 99 rewrites of b with 100 attempts at gone each, and 1 more of b, reach the bound inside
    // the 100th b.
    EXPECT_EQ(countContaining("Could not open 3DO: " + sourceFile("gone.3do")), 9'900u);
    EXPECT_EQ(countContaining("nested mesh rewrites"), 1u);
    EXPECT_TRUE(hasLine(lines, "Error - 3DO " + sourceFile("b.3do") +
                                   ": more than 10000 nested mesh rewrites; the rest are skipped"));
    EXPECT_TRUE(copied("a.3do"));
    EXPECT_TRUE(run.context.openMeshes.empty());
}

}  // namespace
}  // namespace vexmor
