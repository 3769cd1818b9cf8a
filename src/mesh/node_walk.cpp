#include "mesh/node_walk.h"

#include <fmt/format.h>
#include <fmt/ranges.h>

#include <algorithm>
#include <array>
#include <exception>
#include <iterator>
#include <span>
#include <string_view>

#include "app/limits.h"
#include "app/run_context.h"
#include "common/little_endian.h"
#include "mesh/mesh_file.h"
#include "mesh/mesh_flavours.h"
#include "mesh/mesh_stream.h"

namespace vexmor {
namespace {

constexpr std::string_view kPreSeekError =
    "{}3DO {}: Pre-Seek Error flag set eof bit {}, fail bit {}, bad bit {}, good bit {}";
constexpr std::string_view kSeekError =
    "{}3DO {}: Seek Error flag set eof bit {}, fail bit {}, bad bit {}, good bit {}";
constexpr std::string_view kFlavourReadError =
    "{}3DO {}: Error flag set after flavour read eof bit {}, fail bit {}, bad bit {}, good bit {}";
constexpr std::string_view kRootNodeFlavour = "RootNode Flavour {:08X}";
constexpr std::string_view kPolyT = "PolyT {}:{}";
constexpr std::string_view kTextureSelected = "{}Texture selection {} (3DO destPath{}:{})";
constexpr std::string_view kTextureDeselected = "{}Texture Deselection {} (3DO {}:{})";
constexpr std::string_view kTextureOutOfRange =
    "Error - 3DO {}: flavour {:08X} - texture mip file number is out of range {}/({}-{})";
constexpr std::string_view kNestedMeshNode = "3DO {}: Known flavour {:08X}, 3DO Num {} ({}) ";
constexpr std::string_view kNestedMeshOutOfRange = "<Out of range>";
constexpr std::string_view kReadException = "3DO {}: Read Exception {}";
constexpr std::string_view kUnknownException = "Unknown exception";
constexpr std::string_view kVisitLimit = "Error - 3DO {}: walk stopped after {} node visits";
constexpr std::string_view kEntryLimit =
    "Error - 3DO {}: walk stopped after {} offset list entries";
constexpr std::string_view kLinesLeftOut = "Error - 3DO {}: {} more error lines left out";

constexpr std::string_view kTraceNode = "Offset {}: Flavour {:08X}{}";
constexpr std::string_view kTraceEntry = "{}{}";
constexpr std::string_view kTraceChildren = ", ({})";
constexpr std::string_view kTraceCoords = "Offset {}: Coords <{},{},{}>";
constexpr std::string_view kTraceStart = "3DO {}: Trace *******";
constexpr std::string_view kTraceSize = "Log size is {}";
constexpr std::string_view kTraceEnd = "3DO {}: End Trace **";

// The good bit of the error lines: they are printed only when the stream is not good.
constexpr int kGoodBit = 0;

// Offset lists are read 32 entries at a time.
constexpr std::size_t kEntriesPerChunk = 32;
constexpr std::size_t kWordBytes = 4;

using StreamErrorFormat =
    fmt::format_string<const std::string&, const std::string&, int, int, int, int>;

void printStreamError(RunContext& context, const MeshFile& mesh, const std::istream& stream,
                      const std::string& meshPath, StreamErrorFormat format) {
    const StreamStateBits bits = streamStateBits(stream);
    const int good = kGoodBit;
    context.console.printLineWith(
        format, fmt::make_format_args(mesh.indent, meshPath, bits.eof, bits.fail, bits.bad, good));
}

// A bound that grows with the words of the file, between a floor and a ceiling.
std::uint64_t walkBound(std::int64_t fileSize, std::uint64_t perWord, std::uint64_t floor,
                        std::uint64_t ceiling) {
    const std::uint64_t words = fileSize > 0 ? static_cast<std::uint64_t>(fileSize) / 4 : 0;
    const std::uint64_t scaled = words > ceiling / perWord ? ceiling : words * perWord;
    return std::clamp(scaled, floor, ceiling);
}

}  // namespace

std::uint64_t nodeVisitBound(std::int64_t fileSize) {
    return walkBound(fileSize, limits::kNodeVisitsPerFileWord, limits::kMinNodeVisitsPerMesh,
                     limits::kMaxNodeVisitsPerMesh);
}

std::uint64_t rewriteVisitBound(std::int64_t fileSize) {
    return walkBound(fileSize, limits::kNodeVisitsPerRewriteFileWord,
                     limits::kMinNodeVisitsPerRewrite, limits::kMaxNodeVisitsPerRewrite);
}

NodeWalk::NodeWalk(RunContext& context, MeshFile& mesh, std::istream& stream,
                   const std::string& meshPath, std::uint64_t visitAllowance)
    : context_(context),
      mesh_(mesh),
      stream_(stream),
      meshPath_(meshPath),
      tracing_(context.console.infoEnabled()),
      maxVisits_(std::min(nodeVisitBound(mesh.fileSize), visitAllowance)),
      maxEntries_(walkBound(mesh.fileSize, limits::kOffsetEntriesPerFileWord,
                            limits::kMinOffsetEntriesPerWalk, limits::kMaxOffsetEntriesPerWalk)) {}

void NodeWalk::run() {
    walkQueue();
    if (errorLines_ > limits::kMaxErrorLinesPerWalk) {
        context_.console.printLine(kLinesLeftOut, meshPath_,
                                   errorLines_ - limits::kMaxErrorLinesPerWalk);
    }
}

void NodeWalk::walkQueue() {
    queue_.clear();
    queue_.push_back(mesh_.header.rootOffset);
    while (!queue_.empty()) {
        if (visits_ == maxVisits_) {
            context_.console.printLine(kVisitLimit, meshPath_, visits_);
            return;
        }
        ++visits_;
        const std::int32_t offset = queue_.front();
        queue_.pop_front();
        if (!handleNode(offset)) {
            return;
        }
    }
}

bool NodeWalk::handleNode(std::int32_t offset) {
    if (!enterNode(offset)) {
        --mesh_.walkDepth;
        return true;  // the node is skipped; the walk goes on with the next one
    }
    const FlavourLayout& layout = flavourLayout(flavour_);
    offsets_.clear();
    readPayload(layout.payloadWords);
    skipBytes(stream_, layout.droppedWords * kWordBytes);
    if (!walkOffsetList(layout)) {
        return false;
    }
    takeStep(layout.step);
    const std::span<const std::int32_t> children = payloadChildren(layout);
    queue_.insert(queue_.end(), children.begin(), children.end());
    if (layout.traced) {
        addNodeTrace(layout);
    }
    return true;
}

bool NodeWalk::enterNode(std::int32_t offset) {
    std::istream& stream = stream_;
    const auto report = [&](StreamErrorFormat format) {
        if (takeErrorLine()) {
            printStreamError(context_, mesh_, stream, meshPath_, format);
        }
    };
    if (streamFailed(stream)) {
        // Running off the end of the file is expected of damaged lists; only other failures
        // are worth a line.
        if (!stream.eof()) {
            report(kPreSeekError);
        }
        stream.clear();
        stream.seekg(0);
    }
    stream.seekg(mesh_.headerSize + static_cast<std::uint32_t>(offset));
    if (streamFailed(stream)) {
        report(kSeekError);
        return false;
    }
    offset_ = offset;
    flavour_ = readWordOrZero(stream);
    if (mesh_.topLevel) {
        context_.console.printInfoLine(kRootNodeFlavour, flavour_);
    }
    if (streamFailed(stream)) {
        report(kFlavourReadError);
        return false;
    }
    return true;
}

bool NodeWalk::walkOffsetList(const FlavourLayout& layout) {
    if (layout.list == OffsetList::noList) {
        return true;
    }
    const bool textured = layout.list == OffsetList::texturedVertices;
    if (textured) {
        context_.console.printInfoLine(kPolyT, mesh_.destinationFile, meshPath_);
    }
    if (!readOffsetList(std::int64_t{words_[layout.countWord]} + layout.countBias)) {
        return false;
    }
    if (layout.list == OffsetList::nodes) {
        queue_.insert(queue_.end(), offsets_.begin(), offsets_.end());
    } else {
        walkVertexList(textured);
    }
    return true;
}

void NodeWalk::takeStep(NodeStep step) {
    switch (step) {
        case NodeStep::noStep:
            break;
        case NodeStep::textureSelection:
            selectTexture();
            break;
        case NodeStep::choice:
            queueChoice();
            break;
        case NodeStep::nestedMesh:
            reportNestedMesh();
            break;
    }
}

bool NodeWalk::takeErrorLine() {
    ++errorLines_;
    return errorLines_ <= limits::kMaxErrorLinesPerWalk;
}

void NodeWalk::readPayload(std::size_t wordCount) {
    for (std::size_t i = 0; i < wordCount; ++i) {
        readWordInto(stream_, words_[i]);
    }
}

bool NodeWalk::readOffsetList(std::int64_t count) {
    std::istream& stream = stream_;
    // A list can hold no more entries than there are words left in the file.
    const std::int64_t position = readPosition(stream);
    const std::int64_t wordsLeft =
        position < 0 ? 0 : std::max<std::int64_t>(0, (mesh_.fileSize - position) / 4);
    const std::uint64_t entries =
        static_cast<std::uint64_t>(std::clamp<std::int64_t>(count, 0, wordsLeft));
    if (entries > maxEntries_ - entriesRead_) {
        context_.console.printLine(kEntryLimit, meshPath_, entriesRead_);
        return false;
    }
    entriesRead_ += entries;

    offsets_.assign(entries, 0);
    std::array<std::uint8_t, kEntriesPerChunk * kWordBytes> chunk{};
    for (std::size_t first = 0; first < entries; first += kEntriesPerChunk) {
        const std::size_t inChunk = std::min<std::size_t>(kEntriesPerChunk, entries - first);
        chunk.fill(0);
        try {
            stream.read(reinterpret_cast<char*>(chunk.data()),
                        static_cast<std::streamsize>(inChunk * kWordBytes));
        } catch (const std::exception& error) {
            if (takeErrorLine()) {
                context_.console.printLine(kReadException, meshPath_, error.what());
            }
        } catch (...) {
            if (takeErrorLine()) {
                context_.console.printLine(kReadException, meshPath_, kUnknownException);
            }
        }
        for (std::size_t i = 0; i < inChunk; ++i) {
            offsets_[first + i] = readU32(chunk, i * kWordBytes);
        }
    }
    return true;
}

void NodeWalk::walkVertexList(bool textured) {
    std::istream& stream = stream_;
    for (const std::uint32_t entry : offsets_) {
        // The first word tells a vertex (flavour 0) from a node, which is walked later. Once a
        // read has failed, the rest of the list reads from the failed stream: a seek would only
        // clear its end-of-file flag, which tells the next node that the list ran off the file.
        if (!streamFailed(stream)) {
            stream.seekg(mesh_.headerSize + entry);
        }
        if (readWordOrZero(stream) != 0) {
            queue_.push_back(static_cast<std::int32_t>(entry));
        } else {
            readPayload(3);
            if (textured) {
                skipBytes(stream, 2 * sizeof(std::int16_t));  // u, v
                ++mesh_.texturedVertices;
                ++context_.meshTexCoords[meshPath_];
            } else {
                ++mesh_.untexturedVertices;
            }
        }
        if (tracing_) {
            line_.clear();
            fmt::format_to(std::back_inserter(line_), kTraceCoords,
                           static_cast<std::uint32_t>(offset_), words_[0], words_[1], words_[2]);
            trace_.add(line_);
        }
    }
}

void NodeWalk::selectTexture() {
    ++context_.meshTextureNodes[meshPath_];
    const std::int32_t index = words_[0];
    if (index >= 0 && static_cast<std::uint64_t>(index) < mesh_.mipPaths.size()) {
        const std::string& path = mesh_.mipPaths[static_cast<std::size_t>(index)];
        if (context_.shrunkMips.contains(path) || context_.options.compact) {
            context_.console.printInfoLine(kTextureSelected, mesh_.indent, path,
                                           mesh_.destinationFile, meshPath_);
            // The summary lists every selected texture's factors, 0 for one never shrunk.
            context_.mipScaleX.try_emplace(path, 0);
            context_.mipScaleY.try_emplace(path, 0);
        } else {
            context_.console.printInfoLine(kTextureDeselected, mesh_.indent, path,
                                           mesh_.destinationFile, meshPath_);
        }
    } else if (takeErrorLine()) {
        context_.console.printLine(kTextureOutOfRange, meshPath_, flavour_, index, 0,
                                   static_cast<std::uint64_t>(mesh_.mipPaths.size()) - 1);
    }
}

void NodeWalk::reportNestedMesh() {
    // The word holds the negated 1-based table number; negate with wrap-around.
    const auto number = static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(words_[6]));
    context_.console.printInfoLine(kNestedMeshNode, meshPath_, flavour_, number,
                                   kNestedMeshOutOfRange);
}

void NodeWalk::queueChoice() {
    // Pairs (w1, w2), (w3, w4), (w5, w6): the first zero marker ends the choice after its child;
    // with no zero marker nothing is walked.
    if (words_[1] == 0) {
        queue_.push_back(words_[2]);
    } else if (words_[3] == 0) {
        queue_.insert(queue_.end(), {words_[2], words_[4]});
    } else if (words_[5] == 0) {
        queue_.insert(queue_.end(), {words_[2], words_[4], words_[6]});
    }
}

std::span<const std::int32_t> NodeWalk::payloadChildren(const FlavourLayout& layout) const {
    return std::span(words_).subspan(layout.firstChild, layout.childCount);
}

void NodeWalk::addNodeTrace(const FlavourLayout& layout) {
    if (!tracing_) {
        return;
    }
    line_.clear();
    const auto out = std::back_inserter(line_);
    fmt::format_to(out, kTraceNode, offset_, flavour_, offsets_.empty() ? "" : ", (");
    for (std::size_t i = 0; i < offsets_.size(); ++i) {
        fmt::format_to(out, kTraceEntry, offsets_[i], i + 1 < offsets_.size() ? "," : "");
    }
    if (!offsets_.empty()) {
        line_ += ')';
    }
    // The branch nodes show the children that sit in their payload.
    if (layout.tracedChildren) {
        fmt::format_to(out, kTraceChildren, fmt::join(payloadChildren(layout), ","));
    }
    line_ += ' ';
    trace_.add(line_);
}

void NodeWalk::printTrace() const {
    Console& console = context_.console;
    if (!console.infoEnabled()) {
        return;
    }
    console.printInfoLine(kTraceStart, meshPath_);
    const std::vector<std::string_view> lines = trace_.sortedLines();
    console.printInfoLine(kTraceSize, lines.size());
    for (const std::string_view line : lines) {
        console.printInfoLine(line);
    }
    console.printInfoLine(kTraceEnd, meshPath_);
}

}  // namespace vexmor
