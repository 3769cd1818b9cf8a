#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vexmor::test {

// The u, v that a vertex of a textured polygon carries.
struct TexCoord {
    std::int16_t u = 0;
    std::int16_t v = 0;
};

// Builds a 3DO file from its name tables and a node graph. Each node method returns the node's
// offset in the node area; a node follows the previous one unless at() places it. Build bottom-up
// (children first): the root is the last node added unless root() names another.
class MeshBuilder {
public:
    MeshBuilder& mips(std::vector<std::string> names);
    MeshBuilder& pmps(std::vector<std::string> names);
    MeshBuilder& meshes(std::vector<std::string> names);
    // Header counts other than the table sizes (the tables are written as they are).
    MeshBuilder& counts(std::int32_t mipCount, std::int32_t pmpCount, std::int32_t meshCount);
    MeshBuilder& root(std::uint32_t offset);
    MeshBuilder& at(std::uint32_t offset);

    std::uint32_t vertex(std::int32_t x, std::int32_t y, std::int32_t z);
    std::uint32_t vertex(std::int32_t x, std::int32_t y, std::int32_t z, TexCoord uv);
    // Polygons store one less than the number of entries as their count word.
    std::uint32_t polygon(const std::vector<std::uint32_t>& entries);
    std::uint32_t texturedPolygon(const std::vector<std::uint32_t>& entries);
    std::uint32_t textureSelection(std::int32_t mipIndex, std::uint32_t child);
    // Branch flavours 0x80000005 to 0x8000000A, with the children in their payload slots.
    std::uint32_t branch(std::uint32_t flavour, const std::vector<std::uint32_t>& children);
    std::uint32_t list(const std::vector<std::uint32_t>& entries);  // 0x8000000B
    std::uint32_t listWithChild(std::uint32_t child, const std::vector<std::uint32_t>& entries);
    // 0x8000000D with the pairs (w1, w2) ... (w7, w8).
    std::uint32_t choice(const std::array<std::int32_t, 8>& pairs);
    std::uint32_t nestedReference(std::int32_t w6);  // 0x8000000F
    std::uint32_t dataNode(std::uint32_t flavour);   // 0x80000003 or 0x8000000E
    // Any flavour with payload words as given.
    std::uint32_t node(std::uint32_t flavour, const std::vector<std::int32_t>& words);

    // 20 + 8 × the number of table entries written.
    std::size_t headerSize() const;
    std::vector<std::uint8_t> build() const;

private:
    std::uint32_t place(std::vector<std::uint8_t> bytes);

    std::vector<std::string> mips_, pmps_, meshes_;
    std::optional<std::array<std::int32_t, 3>> counts_;
    std::optional<std::uint32_t> root_;
    std::optional<std::uint32_t> nextAt_;
    std::uint32_t end_ = 0;
    std::uint32_t lastNode_ = 0;
    struct Placed {
        std::uint32_t offset;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<Placed> nodes_;
};

}  // namespace vexmor::test
