#include "mesh/mesh_rewrite.h"

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <utility>

#include "app/limits.h"
#include "app/output_file.h"
#include "app/run_context.h"
#include "common/stream_length.h"
#include "common/text.h"
#include "mesh/mesh_file.h"
#include "mesh/mesh_stream.h"
#include "mesh/mesh_tables.h"
#include "mesh/node_walk.h"
#include "platform/file_system.h"

namespace vexmor {
namespace {

constexpr std::string_view kCopyOnly = "Copying {} to {} without modification";
constexpr std::string_view kAlreadyOpen = "File already open {}[{}]";
constexpr std::string_view kCannotOpen = "Could not open 3DO: {} (root {})";
constexpr std::string_view kCountsDoNotFit =
    "Error - 3DO {}: header counts {}, {}, {} do not fit the file; skipped";
constexpr std::string_view kHeaderStars = "***********************************";
static_assert(kHeaderStars.size() == 35);
constexpr std::string_view kFileSize = "3DO {}: file size {}";
constexpr std::string_view kContainsMip = "{}   3DO {}: [{}] contains MIP {}.mip";
constexpr std::string_view kScaledMip = "Contains scaled MIP {}";
constexpr std::string_view kUnscaledMip = "Contains unscaled MIP {}";
constexpr std::string_view kScaledAndUnscaled = "Contains scaled and unscaled MIPS";
constexpr std::string_view kContainsPmp = "{}   3DO {}: [{}] contains PMP {}.pmp";
constexpr std::string_view kContainsMesh = "{}   3DO {}: [{}] contains 3DO {}.3do";
constexpr std::string_view kUnsafeNestedName = "Error - 3DO {}: unsafe nested mesh name {} skipped";
constexpr std::string_view kHeaderSize =
    "Header size {}[{:X}] (actual), {} (calculated) [{:0X}], file size {}";
constexpr std::string_view kNestingTooDeep =
    "Error - 3DO {}: nested mesh {} is more than {} levels deep; skipped";
constexpr std::string_view kTooManyNested =
    "Error - 3DO {}: more than {} nested mesh rewrites; the rest are skipped";
constexpr std::string_view kVisitBudgetSpent =
    "Error - 3DO {}: node visit budget of {} spent; nested mesh {} and the rest are skipped";
constexpr std::string_view kAlreadyProcessed = "3DO {} is already processed";
constexpr std::string_view kEndLine = "3DO {}, untextured vertice {}, textured vertices {} *** end";

constexpr std::string_view kNestedIndent = "   ";
constexpr std::string_view kMipExtension = ".mip";
constexpr std::string_view kMeshExtension = ".3do";

// What the rewrites below one top-level mesh share: how deep the current chain is, how many
// nested rewrites it has started and how many node visits its nested walks may still make.
struct Nesting {
    std::uint32_t depth = 0;
    std::uint64_t rewrites = 0;
    bool rewritesReported = false;
    std::uint64_t visitBudget = 0;  // the top-level mesh's own walk included
    std::uint64_t nestedVisitsLeft = 0;
    bool visitsReported = false;
};

// The top-level mesh keeps its own walk's bound out of the budget, so nested meshes cannot
// leave it without visits.
void startVisitBudget(Nesting& nesting, std::int64_t fileSize) {
    nesting.visitBudget = rewriteVisitBound(fileSize);
    nesting.nestedVisitsLeft = nesting.visitBudget - nodeVisitBound(fileSize);
}

// False, after one line for the first of them, once the nested rewrites may start no more.
bool mayStartNestedRewrite(RunContext& context, const MeshFile& mesh, const std::string& nestedName,
                           Nesting& nesting) {
    if (nesting.rewrites == limits::kMaxNestedRewritesPerMesh) {
        if (!nesting.rewritesReported) {
            context.console.printLine(kTooManyNested, mesh.sourceFile,
                                      limits::kMaxNestedRewritesPerMesh);
            nesting.rewritesReported = true;
        }
        return false;
    }
    if (nesting.nestedVisitsLeft == 0) {
        if (!nesting.visitsReported) {
            context.console.printLine(kVisitBudgetSpent, mesh.sourceFile, nesting.visitBudget,
                                      nestedName);
            nesting.visitsReported = true;
        }
        return false;
    }
    return true;
}

// Keeps a mesh in the chain of rewrites under way for as long as its rewrite runs.
class OpenMeshEntry {
public:
    OpenMeshEntry(std::set<std::string>& openMeshes, const std::string& sourceFile)
        : openMeshes_(openMeshes), sourceFile_(sourceFile) {
        openMeshes_.insert(sourceFile_);
    }
    ~OpenMeshEntry() { openMeshes_.erase(sourceFile_); }
    OpenMeshEntry(const OpenMeshEntry&) = delete;
    OpenMeshEntry& operator=(const OpenMeshEntry&) = delete;

private:
    std::set<std::string>& openMeshes_;
    std::string sourceFile_;
};

// A nested name is joined to the mesh's folder; one that could climb out of the source or
// output folder, or name a folder, is not followed.
bool isSafeNestedName(std::string_view name) {
    return !name.empty() && name.find_first_of("\\/:") == std::string_view::npos &&
           name.find("..") == std::string_view::npos;
}

// Sets the names of a fresh mesh from the rewrite's arguments.
void nameMesh(MeshFile& mesh, std::string meshName, std::string sourceFolder,
              std::string outputFolder, bool topLevel) {
    mesh = MeshFile{};
    meshName = toLowerAscii(meshName);
    if (!meshName.empty() && meshName.front() == '\\') {
        meshName.erase(0, 1);
    }
    mesh.meshName = std::move(meshName);
    mesh.sourceFolder = withTrailingSeparator(toLowerAscii(sourceFolder));
    mesh.outputFolder = toLowerAscii(outputFolder);
    mesh.indent = topLevel ? std::string() : std::string(kNestedIndent);
    mesh.sourceFile = mesh.sourceFolder + mesh.meshName;
    mesh.destinationFile = mesh.outputFolder + mesh.meshName;
    mesh.topLevel = topLevel;
}

// Opens the source, takes its length and reads the header. False when it cannot be opened.
bool openSource(RunContext& context, MeshFile& mesh) {
    mesh.stream = platform::openForReading(mesh.sourceFile);
    if (!mesh.stream.is_open()) {
        context.console.printLine(kCannotOpen, mesh.sourceFile, mesh.topLevel);
        return false;
    }
    mesh.fileSize = static_cast<std::int64_t>(streamLength(mesh.stream));
    mesh.header = readMeshHeader(mesh.stream);
    return true;
}

// Reads and reports the three name tables: fills mipPaths and nestedMeshes.
void readNameTables(RunContext& context, MeshFile& mesh) {
    Console& console = context.console;
    const MeshHeader& header = mesh.header;
    const std::string_view destinationFolder = directoryPart(mesh.destinationFile);

    bool anyScaled = false;
    bool anyUnscaled = false;
    for (std::int64_t i = 0; i < header.mipCount; ++i) {
        const std::string name = readNameField(mesh.stream);
        console.printInfoLine(kContainsMip, mesh.indent, mesh.sourceFile, i, printableName(name));
        std::string path =
            toLowerAscii(std::string(destinationFolder) + name + std::string(kMipExtension));
        if (context.shrunkMips.contains(path)) {
            console.printInfoLine(kScaledMip, printableName(path));
            anyScaled = true;
        } else {
            console.printInfoLine(kUnscaledMip, printableName(path));
            anyUnscaled = true;
        }
        mesh.mipPaths.push_back(std::move(path));
    }
    if (anyScaled && anyUnscaled) {
        console.printInfoLine(kScaledAndUnscaled);
    }

    for (std::int64_t i = 0; i < header.pmpCount; ++i) {
        const std::string name = readNameField(mesh.stream);
        console.printInfoLine(kContainsPmp, mesh.indent, mesh.sourceFile, i, printableName(name));
    }

    // Nested meshes lie in the folder of this one, relative to the source folder.
    const std::string_view sourceDirectory = directoryPart(mesh.sourceFile);
    const std::string rel(
        sourceDirectory.substr(std::min(mesh.sourceFolder.size(), sourceDirectory.size())));
    for (std::int64_t i = 0; i < header.meshCount; ++i) {
        const std::string name = toLowerAscii(readNameField(mesh.stream));
        console.printInfoLine(kContainsMesh, mesh.indent, mesh.sourceFile, i, printableName(name));
        if (!isSafeNestedName(name)) {
            console.printLine(kUnsafeNestedName, mesh.sourceFile, printableName(name));
            continue;
        }
        mesh.nestedMeshes.push_back(rel + name + std::string(kMeshExtension));
    }
}

void rewriteWithin(RunContext& context, MeshFile& mesh, std::string meshName,
                   std::string sourceFolder, std::string outputFolder, bool topLevel, bool copyOnly,
                   Nesting& nesting);

// Rewrites every nested mesh of `mesh`, each fully, before the parent is walked.
void rewriteNestedMeshes(RunContext& context, const MeshFile& mesh, Nesting& nesting) {
    const std::string sourceFolder(directoryPart(mesh.sourceFolder));
    const std::string outputFolder(directoryPart(mesh.outputFolder));
    for (const std::string& nestedName : mesh.nestedMeshes) {
        if (!mayStartNestedRewrite(context, mesh, nestedName, nesting)) {
            return;
        }
        if (nesting.depth == limits::kMaxNestedMeshDepth) {
            context.console.printLine(kNestingTooDeep, mesh.sourceFile, printableName(nestedName),
                                      limits::kMaxNestedMeshDepth);
            continue;
        }
        ++nesting.rewrites;
        ++nesting.depth;
        MeshFile nested;
        rewriteWithin(context, nested, nestedName, sourceFolder, outputFolder, false, false,
                      nesting);
        --nesting.depth;
    }
}

// Rewrites the nested meshes, then walks the mesh itself. The mesh the rewrite started from
// opens the budget of node visits and walks within its own bound; a nested one draws on the rest.
void walkWithNested(RunContext& context, MeshFile& mesh, Nesting& nesting) {
    const bool outermost = nesting.depth == 0;
    if (outermost) {
        startVisitBudget(nesting, mesh.fileSize);
    }
    rewriteNestedMeshes(context, mesh, nesting);
    if (outermost) {
        mesh.walkMeshNodes(context, mesh.sourceFile);
    } else {
        nesting.nestedVisitsLeft -=
            mesh.walkMeshNodes(context, mesh.sourceFile, nesting.nestedVisitsLeft);
    }
}

// Remembers the mesh's file name; a second mesh of the same name is only reported.
void registerMeshName(RunContext& context, const MeshFile& mesh) {
    if (lastSeparator(mesh.sourceFile) == std::string::npos) {
        return;
    }
    const std::string base(fileNamePart(mesh.sourceFile));
    if (!context.processedMeshNames.insert(base).second) {
        context.console.printLine(kAlreadyProcessed, mesh.sourceFile);
    }
}

// Copies the mesh whole into the output; with -compact every MIP name of the copy is pointed at
// the master texture before the copy takes its final name.
void writeMeshCopy(RunContext& context, const MeshFile& mesh) {
    OutputFile copy(context, mesh.destinationFile);
    if (!copy.copyFrom(mesh.sourceFolder + mesh.meshName)) {
        return;
    }
    if (!context.options.compact) {
        copy.commit();
        return;
    }
    std::ofstream out = copy.openForPatching();
    out.seekp(static_cast<std::streamoff>(kMeshHeaderSize));
    for (std::int64_t i = 0; i < mesh.header.mipCount; ++i) {
        out.write(kMasterNameField, kMeshNameFieldSize);
    }
    copy.commit(out);
}

void rewriteWithin(RunContext& context, MeshFile& mesh, std::string meshName,
                   std::string sourceFolder, std::string outputFolder, bool topLevel, bool copyOnly,
                   Nesting& nesting) {
    Console& console = context.console;
    nameMesh(mesh, std::move(meshName), std::move(sourceFolder), std::move(outputFolder), topLevel);

    if (copyOnly) {
        console.printLine(kCopyOnly, mesh.sourceFile, mesh.destinationFile);
        copyToOutput(context, mesh.sourceFile, mesh.destinationFile);
        return;
    }
    if (context.openMeshes.contains(mesh.sourceFile)) {
        console.printLine(kAlreadyOpen, mesh.sourceFile, mesh.destinationFile);
        return;
    }
    if (!openSource(context, mesh)) {
        return;
    }
    const MeshHeader& header = mesh.header;
    // A top-level mesh without textures is left alone; a nested one is still copied.
    if (header.mipCount == 0 && topLevel) {
        return;
    }
    if (!tablesFitFile(header, mesh.fileSize)) {
        console.printLine(kCountsDoNotFit, mesh.sourceFile, header.mipCount, header.pmpCount,
                          header.meshCount);
        return;
    }
    const OpenMeshEntry openEntry(context.openMeshes, mesh.sourceFile);

    console.printInfoLine(kHeaderStars);
    console.printInfoLine(kFileSize, mesh.sourceFile, mesh.fileSize);
    console.printInfoLine(kHeaderStars);
    mesh.headerSize = static_cast<std::int64_t>(kMeshHeaderSize);
    context.meshMipCounts[mesh.sourceFile] += static_cast<std::uint32_t>(header.mipCount);
    context.meshCounts[mesh.sourceFile] += static_cast<std::uint32_t>(header.meshCount);
    context.meshPmpCounts[mesh.sourceFile] += static_cast<std::uint32_t>(header.pmpCount);

    readNameTables(context, mesh);
    mesh.headerSize = tablesEnd(header);
    // A failed read leaves the position at -1, which the line shows as the largest number.
    const auto position = static_cast<std::uint64_t>(readPosition(mesh.stream));
    const auto headerSize = static_cast<std::uint64_t>(mesh.headerSize);
    console.printInfoLine(kHeaderSize, position, position, headerSize, headerSize,
                          static_cast<std::uint64_t>(mesh.fileSize));

    walkWithNested(context, mesh, nesting);
    writeMeshCopy(context, mesh);
    registerMeshName(context, mesh);
    console.printInfoLine(kEndLine, mesh.sourceFile, mesh.untexturedVertices,
                          mesh.texturedVertices);
}

}  // namespace

void rewriteMesh(RunContext& context, MeshFile& mesh, std::string meshName,
                 std::string sourceFolder, std::string outputFolder, bool topLevel, bool copyOnly) {
    Nesting nesting;
    rewriteWithin(context, mesh, std::move(meshName), std::move(sourceFolder),
                  std::move(outputFolder), topLevel, copyOnly, nesting);
}

}  // namespace vexmor
