#include "mesh/mesh_file.h"

#include <cstdint>
#include <istream>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "app/limits.h"
#include "app/run_context.h"
#include "mesh/byte_stream_buf.h"
#include "mesh/node_walk.h"

namespace vexmor {
namespace {

constexpr std::string_view kWalkDepth = "3DO {}: depth {}";
constexpr std::string_view kMipListing = "MIP {}\r\ntShrunk MIPs\r\n";
constexpr std::string_view kShrunkMip = "\t\t{}";
constexpr std::string_view kModified = "Modified";
constexpr std::string_view kNotModified = "Not modified";
constexpr std::string_view kWalkEnd = "*************************************";
static_assert(kWalkEnd.size() == 37);

// Lists each texture of the mesh against every shrunk texture of the run.
void printTextureListing(RunContext& context, const std::vector<std::string>& mipPaths) {
    Console& console = context.console;
    if (!console.infoEnabled()) {
        return;
    }
    for (const std::string& path : mipPaths) {
        console.printInfoLine(kMipListing, path);
        for (const std::string& shrunk : context.shrunkMips) {
            console.printInfoLine(kShrunkMip, shrunk);
        }
        console.printInfoLine(context.shrunkMips.contains(path) ? kModified : kNotModified);
    }
}

// The whole file, read from the start, for a file no larger than the in-memory bound; the
// stream keeps its state either way.
std::optional<ByteStreamBuf> copyForWalk(std::ifstream& stream, std::int64_t fileSize) {
    if (fileSize <= 0 || static_cast<std::uint64_t>(fileSize) > limits::kMaxMeshBytesInMemory) {
        return std::nullopt;
    }
    const std::ios::iostate state = stream.rdstate();
    stream.clear();
    stream.seekg(0);
    std::vector<char> bytes(static_cast<std::size_t>(fileSize));
    stream.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    const bool complete = stream.gcount() == static_cast<std::streamsize>(bytes.size());
    stream.clear(state);
    if (!complete) {
        return std::nullopt;
    }
    return std::optional<ByteStreamBuf>(std::in_place, std::move(bytes));
}

}  // namespace

std::uint64_t MeshFile::walkMeshNodes(RunContext& context, std::string meshPath,
                                      std::uint64_t visitAllowance) {
    ++walkDepth;
    context.console.printInfoLine(kWalkDepth, meshPath, walkDepth);
    printTextureListing(context, mipPaths);

    // Every node and vertex costs a seek; on a copy of the bytes that is free, so a file of
    // any sensible size is walked in memory, with the same stream rules as on the file.
    std::optional<ByteStreamBuf> bytes = copyForWalk(stream, fileSize);
    std::istream memory(bytes ? &*bytes : nullptr);
    memory.clear(stream.rdstate());
    NodeWalk walk(context, *this, bytes ? memory : static_cast<std::istream&>(stream), meshPath,
                  visitAllowance);
    walk.run();
    walk.printTrace();

    stream.close();
    --walkDepth;
    context.console.printInfoLine(kWalkEnd);
    return walk.visits();
}

}  // namespace vexmor
