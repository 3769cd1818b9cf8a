#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <istream>
#include <string>
#include <vector>

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
    bool handleNode(std::int32_t offset);  // false: the walk's bounds are reached
    // Counts an error line; false once the walk has printed as many as it may.
    bool takeErrorLine();
    void readPayload(std::size_t wordCount);
    bool readOffsetList(std::int64_t count);
    void walkVertexList(bool textured);
    void selectTexture();
    void reportNestedMesh();
    void queueChoice();
    void addNodeTrace();

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
    std::array<std::int32_t, 9> words_{};
    std::vector<std::uint32_t> offsets_;
    std::string line_;  // reused for each trace line
};

}  // namespace vexmor
