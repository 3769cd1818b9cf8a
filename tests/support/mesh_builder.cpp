#include "support/mesh_builder.h"

#include <algorithm>
#include <stdexcept>

#include "support/byte_writer.h"

namespace vexmor::test {
namespace {

std::vector<std::int32_t> asWords(const std::vector<std::uint32_t>& offsets) {
    return std::vector<std::int32_t>(offsets.begin(), offsets.end());
}

std::vector<std::int32_t> joined(std::vector<std::int32_t> head,
                                 const std::vector<std::uint32_t>& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

}  // namespace

MeshBuilder& MeshBuilder::mips(std::vector<std::string> names) {
    mips_ = std::move(names);
    return *this;
}

MeshBuilder& MeshBuilder::pmps(std::vector<std::string> names) {
    pmps_ = std::move(names);
    return *this;
}

MeshBuilder& MeshBuilder::meshes(std::vector<std::string> names) {
    meshes_ = std::move(names);
    return *this;
}

MeshBuilder& MeshBuilder::counts(std::int32_t mipCount, std::int32_t pmpCount,
                                 std::int32_t meshCount) {
    counts_ = {mipCount, pmpCount, meshCount};
    return *this;
}

MeshBuilder& MeshBuilder::root(std::uint32_t offset) {
    root_ = offset;
    return *this;
}

MeshBuilder& MeshBuilder::at(std::uint32_t offset) {
    nextAt_ = offset;
    return *this;
}

std::uint32_t MeshBuilder::place(std::vector<std::uint8_t> bytes) {
    const std::uint32_t offset = nextAt_.value_or(end_);
    nextAt_.reset();
    end_ = std::max(end_, offset + static_cast<std::uint32_t>(bytes.size()));
    nodes_.push_back({offset, std::move(bytes)});
    lastNode_ = offset;
    return offset;
}

std::uint32_t MeshBuilder::node(std::uint32_t flavour, const std::vector<std::int32_t>& words) {
    ByteWriter out;
    out.u32(flavour);
    for (const std::int32_t word : words) {
        out.i32(word);
    }
    return place(out.data());
}

std::uint32_t MeshBuilder::vertex(std::int32_t x, std::int32_t y, std::int32_t z) {
    return node(0, {x, y, z});
}

std::uint32_t MeshBuilder::vertex(std::int32_t x, std::int32_t y, std::int32_t z, TexCoord uv) {
    ByteWriter out;
    out.u32(0).i32(x).i32(y).i32(z).i16(uv.u).i16(uv.v);
    return place(out.data());
}

std::uint32_t MeshBuilder::polygon(const std::vector<std::uint32_t>& entries) {
    return node(0x80000001, joined({0, static_cast<std::int32_t>(entries.size()) - 1}, entries));
}

std::uint32_t MeshBuilder::texturedPolygon(const std::vector<std::uint32_t>& entries) {
    return node(0x80000002, joined({0, 0, static_cast<std::int32_t>(entries.size()) - 1}, entries));
}

std::uint32_t MeshBuilder::textureSelection(std::int32_t mipIndex, std::uint32_t child) {
    return node(0x80000004, {mipIndex, 0, static_cast<std::int32_t>(child)});
}

std::uint32_t MeshBuilder::branch(std::uint32_t flavour,
                                  const std::vector<std::uint32_t>& children) {
    std::size_t words = 0;
    std::size_t firstChild = 5;
    switch (flavour) {
        case 0x80000005:
            words = 6;
            break;
        case 0x80000006:
        case 0x8000000A:
            words = 7;
            break;
        case 0x80000007:
        case 0x80000008:
            words = 8;
            break;
        case 0x80000009:
            words = 9;
            firstChild = 6;
            break;
        default:
            throw std::invalid_argument("not a branch flavour");
    }
    if (firstChild + children.size() != words) {
        throw std::invalid_argument("wrong number of children for the branch flavour");
    }
    std::vector<std::int32_t> payload(firstChild, 0);
    const std::vector<std::int32_t> childWords = asWords(children);
    payload.insert(payload.end(), childWords.begin(), childWords.end());
    return node(flavour, payload);
}

std::uint32_t MeshBuilder::list(const std::vector<std::uint32_t>& entries) {
    return node(0x8000000B, joined({static_cast<std::int32_t>(entries.size())}, entries));
}

std::uint32_t MeshBuilder::listWithChild(std::uint32_t child,
                                         const std::vector<std::uint32_t>& entries) {
    return node(0x80000010, joined({static_cast<std::int32_t>(child),
                                    static_cast<std::int32_t>(entries.size())},
                                   entries));
}

std::uint32_t MeshBuilder::choice(const std::array<std::int32_t, 8>& pairs) {
    std::vector<std::int32_t> words{0};
    words.insert(words.end(), pairs.begin(), pairs.end());
    return node(0x8000000D, words);
}

std::uint32_t MeshBuilder::nestedReference(std::int32_t w6) {
    return node(0x8000000F, {0, 0, 0, 0, 0, 0, w6});
}

std::uint32_t MeshBuilder::dataNode(std::uint32_t flavour) {
    return node(flavour, flavour == 0x80000003 ? std::vector<std::int32_t>{7, 8, 9}
                                               : std::vector<std::int32_t>{7});
}

std::size_t MeshBuilder::headerSize() const {
    return 20 + 8 * (mips_.size() + pmps_.size() + meshes_.size());
}

std::vector<std::uint8_t> MeshBuilder::build() const {
    ByteWriter out;
    const std::array<std::int32_t, 3> counts = counts_.value_or(std::array<std::int32_t, 3>{
        static_cast<std::int32_t>(mips_.size()), static_cast<std::int32_t>(pmps_.size()),
        static_cast<std::int32_t>(meshes_.size())});
    out.u32(0x3D0).u32(root_.value_or(lastNode_)).i32(counts[0]).i32(counts[1]).i32(counts[2]);
    for (const auto* table : {&mips_, &pmps_, &meshes_}) {
        for (const std::string& name : *table) {
            out.text(name, 8);
        }
    }
    std::vector<std::uint8_t> bytes = out.data();
    const std::size_t nodeArea = bytes.size();
    bytes.resize(nodeArea + end_, 0);
    for (const Placed& placed : nodes_) {
        std::copy(placed.bytes.begin(), placed.bytes.end(),
                  bytes.begin() + static_cast<std::ptrdiff_t>(nodeArea + placed.offset));
    }
    return bytes;
}

}  // namespace vexmor::test
