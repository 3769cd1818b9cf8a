#include "pipeline/mesh_stage.h"

#include <numeric>

#include "app/run_context.h"
#include "catalogue/source_catalogue.h"
#include "common/text.h"
#include "mesh/mesh_file.h"
#include "mesh/mesh_rewrite.h"
#include "pipeline/file_pass.h"

namespace vexmor {
namespace {

constexpr std::string_view kMeshesHeading = "Meshes (3DO)";
constexpr std::string_view kMeshFailed = "Exception during 3DO filename generation {}";
constexpr std::string_view kMeshRecord = "Mesh 3DO {} (scaling {})";
constexpr std::string_view kMipLine = "      {} (resized {}), {}";
constexpr std::string_view kListedName = "     {}";

constexpr std::string_view kShrunkMips = "Shrunk mips: ";
constexpr std::string_view kShrunkMeshes = "Shrunk 3DOs: ";
constexpr std::string_view kScaling = "{} scaling factor {}";
constexpr std::string_view kMeshCounts =
    "Mesh {}: mesh count {}, mip count {}, pmp count {}, texture nodes {}, tcs {}";
constexpr std::string_view kMipTotals = "Total number of MIPS {}, size {}, resized {}";
constexpr std::string_view kLevelTotals =
    "Total number of MIP levels {}, minimum mip levels {}, maximum mip levels {}";
constexpr std::string_view kMeshTotals =
    "Total number of 3DOs {}, resized {}, with texture coordinates {}";

void listMeshRecords(RunContext& context, const SourceCatalogue& catalogue) {
    Console& console = context.console;
    for (const MeshRecord& record : catalogue.meshes) {
        console.printLine(kMeshRecord, record.name, record.scaling);
        const std::string folder(directoryPart(record.name));
        if (!record.mipNames.empty()) {
            console.printLine("Mips:");
            for (const std::string& mip : record.mipNames) {
                const std::string key = folder + toLowerAscii(mip) + ".mip";
                console.printLine(kMipLine, printableName(mip), context.shrunkMips.contains(key),
                                  printableName(key));
            }
        }
        if (!record.pmpNames.empty()) {
            console.printLine("Pmps:");
            for (const std::string& pmp : record.pmpNames) {
                console.printLine(kListedName, printableName(pmp));
            }
        }
        if (!record.meshPaths.empty()) {
            console.printLine("Nested meshes");
            for (const std::string& path : record.meshPaths) {
                console.printLine(kListedName, printableName(path));
            }
        }
    }
}

std::uint32_t countOf(const std::map<std::string, std::uint32_t>& counts, const std::string& key) {
    const auto found = counts.find(key);
    return found == counts.end() ? 0 : found->second;
}

}  // namespace

void runMeshStage(RunContext& context, SourceCatalogue& catalogue, const std::string& source,
                  const std::string& output, bool convert) {
    context.console.printLine(kMeshesHeading);
    // "-compact" alone copies the meshes too, so their folders are made as with "-convert".
    const FilePass pass{.extension = "3do",
                        .makeFolders = convert || context.options.compact,
                        .failureLine = kMeshFailed};
    forEachFileOfKind(context, catalogue, output, pass, [&](const std::string& rel) {
        analyseMesh(context, catalogue, rel, source, output);
    });
    listMeshRecords(context, catalogue);

    const std::string filter = toLowerAscii(context.options.meshFilter);
    forEachFileOfKind(context, catalogue, output, pass, [&](const std::string& rel) {
        if (!filter.empty() && toLowerAscii(rel).find(filter) == std::string::npos) {
            return;
        }
        MeshFile mesh;
        rewriteMesh(context, mesh, rel, source, output, true, context.options.track);
    });
}

void printConversionSummary(RunContext& context, const SourceCatalogue& catalogue,
                            const ProcessedMips& processedMips) {
    Console& console = context.console;
    console.printLine(kShrunkMips);
    for (const std::string& name : context.shrunkMips) {
        console.printLine(std::string_view(name));
    }
    console.printLine(kShrunkMeshes);
    for (const auto& [path, factor] : context.mipScaleX) {
        console.printLine(kScaling, path, factor);
    }
    if (context.options.compact) {
        for (const auto& [mesh, count] : context.meshCounts) {
            console.printLine(kMeshCounts, mesh, count, countOf(context.meshMipCounts, mesh),
                              countOf(context.meshPmpCounts, mesh),
                              countOf(context.meshTextureNodes, mesh),
                              countOf(context.meshTexCoords, mesh));
        }
    }
    std::uint64_t levelBytes = 0;
    for (const std::vector<std::uint64_t>& lengths : processedMips) {
        levelBytes = std::accumulate(lengths.begin(), lengths.end(), levelBytes);
    }
    console.printLine(kMipTotals, processedMips.size(), 2 * levelBytes, context.shrunkMips.size());
    const RunStatistics& s = context.statistics;
    console.printLine(kLevelTotals, s.totalMipLevels, s.minMipLevels, s.maxMipLevels);
    console.printLine(kMeshTotals, catalogue.meshes.size(), 0, 0);
}

}  // namespace vexmor
