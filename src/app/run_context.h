#pragma once

#include <cstdint>
#include <fstream>
#include <map>
#include <ostream>
#include <set>
#include <string>

#include "app/console.h"
#include "app/run_options.h"
#include "app/run_statistics.h"

namespace vexmor {

// Everything a run shares across stages: the options, the statistics, the console, the CSV
// report and the collections that the texture and mesh stages fill. Passed by reference, so a
// test can run a whole run in-process.
class RunContext {
public:
    explicit RunContext(std::ostream& consoleStream) : console(consoleStream, options.info) {}
    RunContext(const RunContext&) = delete;
    RunContext& operator=(const RunContext&) = delete;

    RunOptions options;
    RunStatistics statistics;
    Console console;
    std::ofstream reportFile;  // not open: rows are lost without a message

    // Textures re-exported or converted, and each shrunk texture's factors, keyed by
    // lower-cased path.
    std::set<std::string> shrunkMips;
    std::map<std::string, std::int32_t> mipScaleX;
    std::map<std::string, std::int32_t> mipScaleY;
    std::uint32_t droppedLevelTotal = 0;

    // Per-mesh counts, keyed by the mesh's lower-cased source path.
    std::map<std::string, std::uint32_t> meshCounts;
    std::map<std::string, std::uint32_t> meshMipCounts;
    std::map<std::string, std::uint32_t> meshPmpCounts;
    std::map<std::string, std::uint32_t> meshTextureNodes;
    std::map<std::string, std::uint32_t> meshTexCoords;

    // File names of the meshes already rewritten, and the chain of rewrites under way.
    std::set<std::string> processedMeshNames;
    std::set<std::string> openMeshes;

    // Some file could not be written: the run ends with exit code 4.
    bool writeFailed = false;
};

// Opens (creates or empties) the CSV report on its fixed path; a failed open is silent.
void openReportFile(RunContext& context);

}  // namespace vexmor
