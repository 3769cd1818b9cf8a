#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

// The type word that starts every node of a 3DO node area.
namespace vexmor::flavour {

inline constexpr std::uint32_t kVertex = 0x00000000;
inline constexpr std::uint32_t kPolygon = 0x80000001;          // untextured: a vertex list
inline constexpr std::uint32_t kTexturedPolygon = 0x80000002;  // "PolyT": vertices carry u, v
inline constexpr std::uint32_t kData3 = 0x80000003;
inline constexpr std::uint32_t kTextureSelection = 0x80000004;  // the "texture node"
inline constexpr std::uint32_t kBranch5 = 0x80000005;
inline constexpr std::uint32_t kBranch6 = 0x80000006;
inline constexpr std::uint32_t kBranch7 = 0x80000007;
inline constexpr std::uint32_t kBranch8 = 0x80000008;
inline constexpr std::uint32_t kBranch9 = 0x80000009;
inline constexpr std::uint32_t kBranchA = 0x8000000A;
inline constexpr std::uint32_t kNodeList = 0x8000000B;
inline constexpr std::uint32_t kChoice = 0x8000000D;  // selection among up to three children
inline constexpr std::uint32_t kDataE = 0x8000000E;
inline constexpr std::uint32_t kNestedMesh = 0x8000000F;     // nested-mesh reference ("3DO Num")
inline constexpr std::uint32_t kListWithChild = 0x80000010;  // node list with a leading child

}  // namespace vexmor::flavour

namespace vexmor {

// The payload words w0 … w8 a node may read: no flavour has more than nine.
inline constexpr std::size_t kPayloadWords = 9;

// What a node does with the offset list that follows its payload.
enum class OffsetList : std::uint8_t {
    noList,
    vertices,          // a vertex list: vertices are read, entries that are nodes are queued
    texturedVertices,  // the same, each vertex carrying u, v ("PolyT")
    nodes,             // every entry is queued
};

// The step a node takes besides reading its payload and list and queueing its children.
enum class NodeStep : std::uint8_t {
    noStep,
    textureSelection,  // w0 picks a texture of the MIP name table
    choice,            // queues w2, w4, w6 up to the first zero marker among w1, w3, w5
    nestedMesh,        // reports the nested-mesh table number that w6 holds negated ("3DO Num")
};

// How the walk reads the nodes of one flavour. A node reads its payload, then its offset list,
// takes its step, and queues the list's node entries before the children in its payload.
struct FlavourLayout {
    std::uint32_t flavour;
    std::uint8_t payloadWords;  // read into w0 … in order
    std::uint8_t droppedWords;  // read after them and dropped: the payload words keep their values
    OffsetList list;
    std::uint8_t countWord;   // the payload word that holds the list's count
    std::uint8_t countBias;   // added to it: a polygon stores one less than its entries
    std::uint8_t firstChild;  // the children in the payload: childCount words from firstChild
    std::uint8_t childCount;
    bool traced;          // the node adds a trace line
    bool tracedChildren;  // the line shows the children in the payload as a group
    NodeStep step;
};

// One row per flavour, in the order of FlavourLayout's fields: the flavour; payload words read and
// dropped; the offset list, its count word and bias; the first payload child and the number of
// children; whether the node is traced and shows its children; its step.
// clang-format off
inline constexpr std::array<FlavourLayout, 16> kFlavourLayouts = [] {
    using namespace flavour;
    using enum OffsetList;
    using enum NodeStep;
    return std::array<FlavourLayout, 16>{{
        // A vertex reached as a child: its coordinates belong to the list that names it.
        {kVertex,           0, 0, noList,           0, 0, 0, 0, false, false, noStep},
        {kPolygon,          2, 0, vertices,         1, 1, 0, 0, true,  false, noStep},
        {kTexturedPolygon,  3, 0, texturedVertices, 2, 1, 0, 0, true,  false, noStep},
        {kData3,            0, 3, noList,           0, 0, 0, 0, false, false, noStep},
        {kTextureSelection, 3, 0, noList,           0, 0, 2, 1, true,  false, textureSelection},
        {kBranch5,          6, 0, noList,           0, 0, 5, 1, true,  true,  noStep},
        {kBranch6,          7, 0, noList,           0, 0, 5, 2, true,  true,  noStep},
        {kBranch7,          8, 0, noList,           0, 0, 5, 3, true,  true,  noStep},
        {kBranch8,          8, 0, noList,           0, 0, 5, 3, true,  false, noStep},
        {kBranch9,          9, 0, noList,           0, 0, 6, 3, true,  true,  noStep},
        {kBranchA,          7, 0, noList,           0, 0, 5, 2, true,  true,  noStep},
        {kNodeList,         1, 0, nodes,            0, 0, 0, 0, true,  false, noStep},
        {kChoice,           9, 0, noList,           0, 0, 0, 0, true,  false, choice},
        {kDataE,            1, 0, noList,           0, 0, 0, 0, true,  false, noStep},
        {kNestedMesh,       7, 0, noList,           0, 0, 0, 0, true,  false, nestedMesh},
        {kListWithChild,    2, 0, nodes,            1, 0, 0, 1, true,  false, noStep},
    }};
}();

// Any other flavour, 0x8000000C included: nothing is read, and only its trace line records it.
inline constexpr FlavourLayout kUnlistedFlavour{
    0, 0, 0, OffsetList::noList, 0, 0, 0, 0, true, false, NodeStep::noStep};
// clang-format on

// Every word a row names lies within its payload, and no flavour has two rows.
constexpr bool flavourLayoutsFit() {
    for (std::size_t i = 0; i < kFlavourLayouts.size(); ++i) {
        const FlavourLayout& row = kFlavourLayouts[i];
        const bool countFits = row.list == OffsetList::noList || row.countWord < row.payloadWords;
        if (row.payloadWords > kPayloadWords || !countFits ||
            row.firstChild + row.childCount > row.payloadWords) {
            return false;
        }
        for (std::size_t j = 0; j < i; ++j) {
            if (kFlavourLayouts[j].flavour == row.flavour) {
                return false;
            }
        }
    }
    return true;
}
static_assert(flavourLayoutsFit());

// The row of `flavour`, or kUnlistedFlavour.
constexpr const FlavourLayout& flavourLayout(std::uint32_t flavour) {
    const auto row =
        std::find_if(kFlavourLayouts.begin(), kFlavourLayouts.end(),
                     [flavour](const FlavourLayout& r) { return r.flavour == flavour; });
    return row == kFlavourLayouts.end() ? kUnlistedFlavour : *row;
}

}  // namespace vexmor
