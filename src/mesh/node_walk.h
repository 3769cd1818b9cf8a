#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <istream>
#include <span>
#include <string>
#include <vector>

#include "mesh/mesh_flavours.h"
#include "mesh/trace_log.h"

namespace vexmor {

class MeshFile;
class RunContext;

// The node visits one walk of a file of `fileSize` bytes may make.
std::uint64_t nodeVisitBound(std::int64_t fileSize);
// The node visits the rewrite of a top-level mesh of `fileSize` bytes may make, its nested
// meshes included.
std::uint64_t rewriteVisitBound(std::int64_t fileSize);

// One breadth-first walk over a mesh's node graph: the queue, the current node and the trace.
// The trace is kept only when detail lines are shown, since nothing else reads it.
class NodeWalk {
public:
    // Reads the nodes through `stream`: the mesh's file, or a copy of its bytes. The walk makes
    // at most `visitAllowance` node visits, fewer when its own bound is lower.
    NodeWalk(RunContext& context, MeshFile& mesh, std::istream& stream, const std::string& meshPath,
             std::uint64_t visitAllowance);

    // Walks every node reachable from the root, once per reference, within the walk's bounds.
    void run();
    std::uint64_t visits() const { return visits_; }
    // The trace lines in ascending byte order, framed by their heading and end lines.
    void printTrace() const;

private:
    void walkQueue();
    // Reads the node at `offset` as its flavour's layout says; false: the walk's bounds are
    // reached.
    bool handleNode(std::int32_t offset);
    // Moves to the node at `offset` and reads its flavour; false, after its error line, when the
    // stream fails on the way and the node is skipped.
    bool enterNode(std::int32_t offset);
    // Counts an error line; false once the walk has printed as many as it may.
    bool takeErrorLine();
    void readPayload(std::size_t wordCount);
    // Reads the node's offset list, if it has one, and walks or queues its entries.
    bool walkOffsetList(const FlavourLayout& layout);  // false: the entry bound is reached
    bool readOffsetList(std::int64_t count);
    void walkVertexList(bool textured);
    void takeStep(NodeStep step);
    void selectTexture();
    void reportNestedMesh();
    void queueChoice();
    // The children that sit in the node's payload.
    std::span<const std::int32_t> payloadChildren(const FlavourLayout& layout) const;
    void addNodeTrace(const FlavourLayout& layout);

    RunContext& context_;
    MeshFile& mesh_;
    std::istream& stream_;
    const std::string& meshPath_;
    const bool tracing_;

    std::deque<std::int32_t> queue_;
    TraceLog trace_;
    std::uint64_t visits_ = 0;
    std::uint64_t entriesRead_ = 0;
    std::uint64_t errorLines_ = 0;  // printed or left out
    // The walk's bounds, scaled to the file's size (limits.h).
    std::uint64_t maxVisits_ = 0;
    std::uint64_t maxEntries_ = 0;

    // The current node. The payload words carry over from one node to the next: a node
    // overwrites only the words it reads.
    std::int32_t offset_ = 0;
    std::uint32_t flavour_ = 0;
    std::array<std::int32_t, kPayloadWords> words_{};
    std::vector<std::uint32_t> offsets_;
    std::string line_;  // reused for each trace line
};

}  // namespace vexmor
