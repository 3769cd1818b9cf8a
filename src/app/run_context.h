#pragma once

#include <cstdint>
#include <fstream>
#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <string>

#include "app/background_work.h"
#include "app/console.h"
#include "app/run_options.h"
#include "app/run_statistics.h"
#include "platform/file_system.h"
#include "platform/output_marker.h"

namespace vexmor {

// Everything a run shares across stages: the options, the statistics, the console, the CSV
// report and the collections that the texture and mesh stages fill. Passed by reference, so a
// test can run a whole run in-process.
class RunContext {
public:
    explicit RunContext(std::ostream& consoleStream, std::ostream* noteStream = nullptr)
        : console(consoleStream, options.info, noteStream) {}
    // Images still under way are settled while the members their reports use are alive.
    ~RunContext() { background.settle(); }
    RunContext(const RunContext&) = delete;
    RunContext& operator=(const RunContext&) = delete;

    RunOptions options;
    RunStatistics statistics;
    Console console;
    std::ofstream reportFile;  // not open: rows are lost without a message
    // Images being written while the run goes on (enabled by a whole run; see
    // export/png_writer.h), and their names, lower-cased with `\` separators.
    BackgroundWork background{console};
    std::set<std::string> imagesUnderWay;

    // The lock on the output folder's marker, held from when the run takes the folder to its end;
    // and whether this run unpacked an archive into its output folder, which the conversion
    // driver then keeps as it is.
    platform::MarkerLock outputLock;
    bool outputUnpacked = false;
    // Set when a file could not be created, written, copied or renamed into place: the run then
    // ends with exit code 4.
    bool writeFailed = false;
    // The folder this run may write into (the output or extraction folder, as a path text);
    // unset until a stage names it. See app/output_guard.h.
    std::optional<platform::FolderContainment> outputRoot;

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
};

// Opens (creates or empties) the CSV report on its fixed path when nothing or a regular file is
// there, never through a link; anything else there gets one line and no report. A report that
// cannot be made (a missing folder) is silent.
void openReportFile(RunContext& context);

}  // namespace vexmor
