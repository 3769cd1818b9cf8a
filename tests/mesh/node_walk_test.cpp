#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "app/limits.h"
#include "app/run_context.h"
#include "mesh/mesh_file.h"
#include "mesh/mesh_tables.h"
#include "support/captured_run.h"
#include "support/mesh_builder.h"
#include "support/temp_dir.h"

namespace vexmor {
namespace {

using test::CapturedRun;
using test::hasLine;
using test::MeshBuilder;
using test::TempDir;
using test::TexCoord;

constexpr std::uint32_t kDataE = 0x8000000E;
const std::string kMeshPath = "src\\m.3do";

// Walks a built mesh as the rewrite does once it has read the name tables.
class NodeWalkTest : public ::testing::Test {
protected:
    NodeWalkTest() { run.context.options.info = true; }

    void walk(const MeshBuilder& builder, std::vector<std::string> mipPaths = {},
              bool topLevel = false, bool fromFile = false) {
        const std::filesystem::path path = dir / "m.3do";
        test::writeFile(path, builder.build());
        mesh.stream.open(path, std::ios::binary | std::ios::in);
        mesh.header = readMeshHeader(mesh.stream);
        mesh.headerSize = tablesEnd(mesh.header);
        mesh.fileSize = static_cast<std::int64_t>(std::filesystem::file_size(path));
        if (fromFile) {
            // A size above the in-memory bound makes the walk read the file itself.
            mesh.fileSize = static_cast<std::int64_t>(limits::kMaxMeshBytesInMemory) + 1;
        }
        mesh.mipPaths = std::move(mipPaths);
        mesh.topLevel = topLevel;
        mesh.indent = topLevel ? "" : "   ";
        mesh.destinationFile = "out\\m.3do";
        mesh.walkMeshNodes(run.context, kMeshPath);
        lines = run.lines();
    }

    // The printed trace lines, without their heading, size and end lines.
    std::vector<std::string> trace() const {
        const auto start = std::find(lines.begin(), lines.end(), "3DO src\\m.3do: Trace *******");
        const auto end = std::find(lines.begin(), lines.end(), "3DO src\\m.3do: End Trace **");
        if (start == lines.end() || end == lines.end() || end - start < 2) {
            return {};
        }
        return std::vector<std::string>(start + 2, end);
    }

    std::size_t traceCount(const std::string& line) const {
        const std::vector<std::string> t = trace();
        return static_cast<std::size_t>(std::count(t.begin(), t.end(), line));
    }

    std::vector<std::string> linesContaining(const std::string& part) const {
        std::vector<std::string> found;
        for (const std::string& line : lines) {
            if (line.find(part) != std::string::npos) {
                found.push_back(line);
            }
        }
        return found;
    }

    TempDir dir;
    CapturedRun run;
    MeshFile mesh;
    std::vector<std::string> lines;
};

TEST_F(NodeWalkTest, TraceIsSortedAsTextWithListEntriesAndBranchChildren) {
    MeshBuilder b;
    b.at(120).dataNode(kDataE);
    b.at(168).dataNode(kDataE);
    b.at(212).dataNode(kDataE);
    b.at(40).branch(0x80000005, {212});
    b.at(96).list({120, 168, 40});
    b.at(8).list({});
    walk(b.root(96));

    EXPECT_EQ(trace(), (std::vector<std::string>{
                           "Offset 120: Flavour 8000000E ",
                           "Offset 168: Flavour 8000000E ",
                           "Offset 212: Flavour 8000000E ",
                           "Offset 40: Flavour 80000005, (212) ",
                           "Offset 96: Flavour 8000000B, (120,168,40) ",
                       }));
    EXPECT_TRUE(hasLine(lines, "Log size is 5"));
    EXPECT_FALSE(mesh.stream.is_open());
    EXPECT_EQ(mesh.walkDepth, 0);
    EXPECT_EQ(lines.front(), "3DO src\\m.3do: depth 1");
    EXPECT_EQ(lines.back(), std::string(37, '*'));
}

TEST_F(NodeWalkTest, EmptyListQueuesNothing) {
    MeshBuilder b;
    b.at(8).list({});
    walk(b);
    EXPECT_EQ(trace(), std::vector<std::string>{"Offset 8: Flavour 8000000B "});
}

TEST_F(NodeWalkTest, BranchFlavoursQueueAndTraceTheirPayloadChildren) {
    MeshBuilder b;
    const auto leaf = b.dataNode(kDataE);  // at 0
    b.at(100).branch(0x80000006, {leaf, leaf});
    b.at(200).branch(0x80000007, {leaf, leaf, leaf});
    b.at(300).branch(0x80000008, {leaf, leaf, leaf});
    b.at(400).branch(0x80000009, {leaf, leaf, leaf});
    b.at(500).branch(0x8000000A, {leaf, leaf});
    b.at(600).list({100, 200, 300, 400, 500});
    walk(b);

    EXPECT_EQ(traceCount("Offset 100: Flavour 80000006, (0,0) "), 1u);
    EXPECT_EQ(traceCount("Offset 200: Flavour 80000007, (0,0,0) "), 1u);
    EXPECT_EQ(traceCount("Offset 300: Flavour 80000008 "), 1u);
    EXPECT_EQ(traceCount("Offset 400: Flavour 80000009, (0,0,0) "), 1u);
    EXPECT_EQ(traceCount("Offset 500: Flavour 8000000A, (0,0) "), 1u);
    EXPECT_EQ(traceCount("Offset 0: Flavour 8000000E "), 2u + 3 + 3 + 3 + 2);
}

TEST_F(NodeWalkTest, WalkIsBreadthFirstInEachFlavoursQueueOrder) {
    MeshBuilder b;
    const auto leaf = b.dataNode(kDataE);
    std::vector<std::uint32_t> t;
    for (int i = 0; i < 5; ++i) {
        t.push_back(b.textureSelection(i, leaf));
    }
    const auto branch = b.branch(0x80000009, {t[2], t[3], t[4]});
    b.listWithChild(t[0], {t[1], branch});
    walk(b, {"p0", "p1", "p2", "p3", "p4"});

    std::vector<std::string> order;
    for (const std::string& line : linesContaining("Texture Deselection")) {
        order.push_back(line.substr(line.find(" p") + 1, 2));
    }
    EXPECT_EQ(order, (std::vector<std::string>{"p1", "p0", "p2", "p3", "p4"}));
    EXPECT_EQ(run.context.meshTextureNodes[kMeshPath], 5u);
}

TEST_F(NodeWalkTest, PolygonCountZeroHasOneEntry) {
    MeshBuilder b;
    const auto v = b.vertex(1, -2, 3);
    const auto polygon = b.polygon({v});
    walk(b);
    EXPECT_EQ(mesh.untexturedVertices, 1);
    EXPECT_EQ(mesh.texturedVertices, 0);
    EXPECT_EQ(trace(), (std::vector<std::string>{
                           "Offset " + std::to_string(polygon) + ": Coords <1,-2,3>",
                           "Offset " + std::to_string(polygon) + ": Flavour 80000001, (0) ",
                       }));
}

TEST_F(NodeWalkTest, TexturedVertexNamedTwiceCountsTwice) {
    MeshBuilder b;
    const auto v = b.vertex(4, 5, 6, TexCoord{7, 8});
    const auto polygon = b.texturedPolygon({v, v});  // at 20
    walk(b);
    EXPECT_EQ(mesh.texturedVertices, 2);
    EXPECT_EQ(run.context.meshTexCoords[kMeshPath], 2u);
    EXPECT_EQ(traceCount("Offset 20: Coords <4,5,6>"), 2u);
    EXPECT_EQ(traceCount("Offset 20: Flavour 80000002, (0,0) "), 1u);
    EXPECT_EQ(polygon, 20u);
    EXPECT_TRUE(hasLine(lines, "PolyT out\\m.3do:src\\m.3do"));
}

TEST_F(NodeWalkTest, VertexListEntryThatIsANodeIsWalkedLater) {
    MeshBuilder b;
    const auto v = b.vertex(1, 2, 3);
    const auto node = b.dataNode(kDataE);
    const auto vertexChild = b.branch(0x80000005, {v});
    const auto polygon = b.polygon({v, node});
    b.list({polygon, vertexChild});
    walk(b);
    EXPECT_EQ(mesh.untexturedVertices, 1);
    // The node entry's line repeats the words of the vertex before it.
    EXPECT_EQ(traceCount("Offset " + std::to_string(polygon) + ": Coords <1,2,3>"), 2u);
    EXPECT_EQ(traceCount("Offset " + std::to_string(node) + ": Flavour 8000000E "), 1u);
    // A vertex reached as a child reads nothing more and leaves no line.
    EXPECT_EQ(trace().size(), 6u);
}

TEST_F(NodeWalkTest, DataNodeDropsItsWordsAndEarlierWordsCarryOver) {
    // An untextured polygon reads w0 and w1 only, so its node entry's line shows w2 as an earlier
    // node left it: the 0x80000003 node walked in between reads its 7, 8, 9 without keeping them.
    MeshBuilder b;
    const auto leaf = b.dataNode(kDataE);
    const auto setter = b.node(0x80000005, {0, 0, 3, 0, 0, static_cast<std::int32_t>(leaf)});
    const auto data = b.dataNode(0x80000003);
    const auto polygon = b.polygon({leaf});
    b.list({setter, data, polygon});
    walk(b);
    EXPECT_EQ(traceCount("Offset " + std::to_string(polygon) + ": Coords <0,0,3>"), 1u);
}

TEST_F(NodeWalkTest, NodeNamedByTwoParentsIsWalkedTwice) {
    MeshBuilder b;
    const auto leaf = b.dataNode(kDataE);
    const auto shared = b.textureSelection(0, leaf);
    const auto a = b.branch(0x80000005, {shared});
    const auto c = b.branch(0x80000005, {shared});
    b.list({a, c});
    walk(b, {"out\\t.mip"});
    EXPECT_EQ(run.context.meshTextureNodes[kMeshPath], 2u);
    EXPECT_EQ(traceCount("Offset " + std::to_string(shared) + ": Flavour 80000004 "), 2u);
    EXPECT_EQ(traceCount("Offset 0: Flavour 8000000E "), 2u);
}

TEST_F(NodeWalkTest, ChoiceWalksChildrenUpToTheFirstZeroMarker) {
    MeshBuilder b;
    const auto c2 = b.dataNode(kDataE);
    const auto c4 = b.dataNode(kDataE);
    const auto c6 = b.dataNode(kDataE);
    const auto c8 = b.dataNode(kDataE);
    const auto i2 = static_cast<std::int32_t>(c2), i4 = static_cast<std::int32_t>(c4),
               i6 = static_cast<std::int32_t>(c6), i8 = static_cast<std::int32_t>(c8);
    b.list({
        b.choice({0, i2, 1, i4, 1, i6, 1, i8}),
        b.choice({1, i2, 0, i4, 1, i6, 1, i8}),
        b.choice({1, i2, 1, i4, 0, i6, 0, i8}),
        b.choice({1, i2, 1, i4, 1, i6, 0, i8}),
    });
    walk(b);
    const auto count = [&](std::uint32_t o) {
        return traceCount("Offset " + std::to_string(o) + ": Flavour 8000000E ");
    };
    EXPECT_EQ(count(c2), 3u);
    EXPECT_EQ(count(c4), 2u);
    EXPECT_EQ(count(c6), 1u);
    EXPECT_EQ(count(c8), 0u);
}

TEST_F(NodeWalkTest, ShrunkTexturesAreSelectedOthersDeselected) {
    run.context.shrunkMips = {"out\\a.mip"};
    run.context.mipScaleX["out\\a.mip"] = 2;
    MeshBuilder b;
    const auto leaf = b.dataNode(kDataE);
    b.list({b.textureSelection(0, leaf), b.textureSelection(1, leaf)});
    walk(b, {"out\\a.mip", "out\\b.mip"});

    EXPECT_TRUE(
        hasLine(lines, "   Texture selection out\\a.mip (3DO destPathout\\m.3do:src\\m.3do)"));
    EXPECT_TRUE(hasLine(lines, "   Texture Deselection out\\b.mip (3DO out\\m.3do:src\\m.3do)"));
    EXPECT_EQ(run.context.mipScaleX, (std::map<std::string, std::int32_t>{{"out\\a.mip", 2}}));
    EXPECT_EQ(run.context.mipScaleY, (std::map<std::string, std::int32_t>{{"out\\a.mip", 0}}));
}

TEST_F(NodeWalkTest, CompactSelectsEveryTextureAndRecordsZeroFactors) {
    run.context.options.compact = true;
    MeshBuilder b;
    const auto leaf = b.dataNode(kDataE);
    b.textureSelection(0, leaf);
    walk(b, {"out\\b.mip"}, true);
    EXPECT_TRUE(hasLine(lines, "Texture selection out\\b.mip (3DO destPathout\\m.3do:src\\m.3do)"));
    EXPECT_EQ(run.context.mipScaleX, (std::map<std::string, std::int32_t>{{"out\\b.mip", 0}}));
    EXPECT_EQ(run.context.mipScaleY, (std::map<std::string, std::int32_t>{{"out\\b.mip", 0}}));
}

TEST_F(NodeWalkTest, TextureIndexOutOfRangeIsReportedAndTheChildStillWalked) {
    run.context.options.info = false;
    MeshBuilder b;
    const auto leaf = b.dataNode(kDataE);
    b.list({b.textureSelection(0, leaf), b.textureSelection(-1, leaf)});
    walk(b);
    EXPECT_EQ(lines,
              (std::vector<std::string>{
                  "Error - 3DO src\\m.3do: flavour 80000004 - texture mip file number is out of "
                  "range 0/(0-18446744073709551615)",
                  "Error - 3DO src\\m.3do: flavour 80000004 - texture mip file number is out of "
                  "range -1/(0-18446744073709551615)",
              }));
    EXPECT_EQ(run.context.meshTextureNodes[kMeshPath], 2u);
    EXPECT_TRUE(run.context.mipScaleX.empty());
}

TEST_F(NodeWalkTest, NestedReferencePrintsTheNegatedNumberAndQueuesNothing) {
    MeshBuilder b;
    b.list({b.nestedReference(-1), b.nestedReference(0), b.nestedReference(INT_MIN)});
    walk(b);
    const std::string prefix = "3DO src\\m.3do: Known flavour 8000000F, 3DO Num ";
    EXPECT_TRUE(hasLine(lines, prefix + "1 (<Out of range>) "));
    EXPECT_TRUE(hasLine(lines, prefix + "0 (<Out of range>) "));
    EXPECT_TRUE(hasLine(lines, prefix + "-2147483648 (<Out of range>) "));
    EXPECT_EQ(trace().size(), 4u);
}

TEST_F(NodeWalkTest, TopLevelMeshPrintsEveryNodesFlavour) {
    MeshBuilder b;
    const auto leaf = b.dataNode(0x80000003);
    b.at(40).branch(0x80000005, {leaf});
    walk(b, {}, true);
    EXPECT_EQ(linesContaining("RootNode Flavour"),
              (std::vector<std::string>{"RootNode Flavour 80000005", "RootNode Flavour 80000003"}));
    // Data node 0x80000003 leaves no trace line.
    EXPECT_EQ(trace(), std::vector<std::string>{"Offset 40: Flavour 80000005, (0) "});
}

TEST_F(NodeWalkTest, UnlistedFlavourReadsNothing) {
    MeshBuilder b;
    b.node(0x8000000C, {});
    walk(b);
    EXPECT_EQ(trace(), std::vector<std::string>{"Offset 0: Flavour 8000000C "});
}

TEST_F(NodeWalkTest, TextureListingShowsEveryShrunkTexture) {
    run.context.shrunkMips = {"out\\a.mip", "out\\z.mip"};
    MeshBuilder b;
    b.dataNode(kDataE);
    walk(b, {"out\\a.mip", "out\\b.mip"});
    const std::string output = run.output();
    EXPECT_NE(output.find("MIP out\\a.mip\r\ntShrunk MIPs\r\n\n\t\tout\\a.mip\n\t\tout\\z.mip\n"
                          "Modified\nMIP out\\b.mip\r\ntShrunk MIPs\r\n\n\t\tout\\a.mip\n"
                          "\t\tout\\z.mip\nNot modified\n"),
              std::string::npos);
}

TEST_F(NodeWalkTest, NodeBeyondTheFileIsSkippedWithoutAPreSeekLine) {
    MeshBuilder b;
    const auto leaf = b.dataNode(kDataE);
    b.list({1000, leaf});
    walk(b);
    EXPECT_EQ(linesContaining("flag set"),
              std::vector<std::string>{"   3DO src\\m.3do: Error flag set after flavour read eof "
                                       "bit 1, fail bit 2, bad bit 0, good bit 0"});
    EXPECT_EQ(traceCount("Offset 0: Flavour 8000000E "), 1u);
}

TEST_F(NodeWalkTest, VertexEntriesBeyondTheFileCountAsVertices) {
    MeshBuilder b;
    const auto v = b.vertex(1, 2, 3);
    const auto w = b.vertex(9, 9, 9);
    const auto leaf = b.dataNode(kDataE);
    const auto polygon = b.polygon({v, 5000, w});
    b.list({polygon, leaf});
    walk(b);
    // The failed read keeps the stream failed for the rest of the list.
    EXPECT_EQ(mesh.untexturedVertices, 3);
    EXPECT_EQ(traceCount("Offset " + std::to_string(polygon) + ": Coords <1,2,3>"), 3u);
    EXPECT_EQ(traceCount("Offset " + std::to_string(leaf) + ": Flavour 8000000E "), 1u);
    EXPECT_TRUE(linesContaining("flag set").empty());
}

TEST_F(NodeWalkTest, NegativeCountsReadNoEntries) {
    MeshBuilder b;
    b.at(100).node(0x8000000B, {-5});
    b.at(200).node(0x80000001, {0, -7});
    b.at(300).node(0x80000010, {100, INT_MIN});
    b.at(400).list({100, 200, 300});
    walk(b.root(400));
    EXPECT_EQ(mesh.untexturedVertices, 0);
    EXPECT_EQ(traceCount("Offset 100: Flavour 8000000B "), 2u);
    EXPECT_EQ(traceCount("Offset 200: Flavour 80000001 "), 1u);
    EXPECT_EQ(traceCount("Offset 300: Flavour 80000010 "), 1u);
}

TEST_F(NodeWalkTest, ListCountBeyondTheFileReadsOnlyTheWordsLeft) {
    MeshBuilder b;
    const auto leaf = b.dataNode(kDataE);
    b.node(0x8000000B, {INT_MAX, static_cast<std::int32_t>(leaf), static_cast<std::int32_t>(leaf)});
    walk(b);
    EXPECT_EQ(trace(), (std::vector<std::string>{"Offset 0: Flavour 8000000E ",
                                                 "Offset 0: Flavour 8000000E ",
                                                 "Offset 8: Flavour 8000000B, (0,0) "}));
}

TEST_F(NodeWalkTest, PolygonCountBeyondTheFileReadsOnlyTheWordsLeft) {
    MeshBuilder b;
    const auto v = b.vertex(1, 2, 3);
    b.node(0x80000002, {0, 0, INT_MAX, static_cast<std::int32_t>(v)});
    walk(b);
    EXPECT_EQ(mesh.texturedVertices, 1);
}

TEST_F(NodeWalkTest, CyclicGraphStopsAfterTheVisitBound) {
    run.context.options.info = false;
    MeshBuilder b;
    b.at(0).list({0});
    walk(b);
    EXPECT_EQ(lines, std::vector<std::string>{
                         "Error - 3DO src\\m.3do: walk stopped after 1000000 node visits"});
    EXPECT_FALSE(mesh.stream.is_open());
    EXPECT_EQ(mesh.walkDepth, 0);
}

TEST_F(NodeWalkTest, CycleThroughALongListStopsAfterTheEntryBound) {
    run.context.options.info = false;
    MeshBuilder b;
    b.at(0).list(std::vector<std::uint32_t>(1000, 0));
    walk(b);
    EXPECT_EQ(lines, std::vector<std::string>{
                         "Error - 3DO src\\m.3do: walk stopped after 4000000 offset list entries"});
}

TEST_F(NodeWalkTest, FileAndMemoryCopyWalkAlike) {
    MeshBuilder b;
    b.mips({"a"});
    const auto v = b.vertex(1, 2, 3, TexCoord{4, 5});
    const auto leaf = b.dataNode(kDataE);
    const auto polygon = b.texturedPolygon({v, leaf, 7000, v});
    const auto selection = b.textureSelection(0, polygon);
    b.list({selection, 9000, b.branch(0x80000007, {leaf, 8000, v}), b.nestedReference(-2)});

    walk(b, {"out\\a.mip"}, true);
    const std::vector<std::string> inMemory = lines;
    EXPECT_EQ(mesh.texturedVertices, 3);
    EXPECT_GT(inMemory.size(), 20u);

    mesh = MeshFile{};
    run.clearOutput();
    walk(b, {"out\\a.mip"}, true, true);
    EXPECT_EQ(lines, inMemory);
    EXPECT_EQ(mesh.texturedVertices, 3);
}

}  // namespace
}  // namespace vexmor
