#include "pipeline/conversion_driver.h"

#include "app/output_file.h"
#include "app/output_guard.h"
#include "app/process_exit.h"
#include "app/run_context.h"
#include "archive/output_folder.h"
#include "catalogue/source_catalogue.h"
#include "common/text.h"
#include "export/mi4_export.h"
#include "export/mip_export.h"
#include "pipeline/file_pass.h"
#include "pipeline/master_mip.h"
#include "pipeline/mesh_stage.h"
#include "platform/file_system.h"
#include "texture/mi4_conversion.h"
#include "texture/mip_file.h"
#include "texture/mip_shrink.h"

namespace vexmor {
namespace {

constexpr std::string_view kReportHeader =
    "Filename,mip level, mip level internal,num mips,width,height,size,offset,magic";
constexpr std::string_view kRefuseRoot = "Error - refusing to remove output folder {}";
constexpr std::string_view kRefuseSource =
    "Error - refusing to remove output folder {} because it holds the source folder {}";
constexpr std::string_view kMipFailed = "Exception during MIP filename generation {}";
constexpr std::string_view kMi4Failed = "Exception during MI4 filename generation {}";
constexpr std::string_view kMi4File = "Mi4 file {}";

constexpr int kRefusedExitCode = 3;

// Replacing the output folder takes everything in it: never a root, and never a folder that is
// or holds the source being read.
void refuseDangerousOutput(RunContext& context, const std::string& source,
                           const std::string& output) {
    if (platform::isFileSystemRoot(output)) {
        context.console.printLine(kRefuseRoot, output);
        throw ProcessExit{kRefusedExitCode};
    }
    if (!source.empty() && platform::isSameOrInside(source, output)) {
        context.console.printLine(kRefuseSource, output, source);
        throw ProcessExit{kRefusedExitCode};
    }
}

// A folder this run unpacked an archive into is kept as it is: the members are the run's input.
void prepareOutputFolder(RunContext& context, const std::string& source,
                         const std::string& output) {
    if (context.outputUnpacked) {
        return;
    }
    refuseDangerousOutput(context, source, output);
    claimOutputFolder(context, output, OutputUse::replace);
}

// After the MIP pass read the texture: a track's becomes an MI4 texture beside where its MIP
// would be, a car set's copy is shrunk in place.
void convertMip(RunContext& context, SourceCatalogue& catalogue, MipImage& image,
                const std::string& target, const std::string& rel) {
    if (context.options.track) {
        convertMipToMi4(context, catalogue, image, target, rel);
    } else {
        shrinkMip(context, catalogue, image, target, rel);
    }
}

void runMipPass(RunContext& context, SourceCatalogue& catalogue, const std::string& source,
                const std::string& output, bool convert, bool firstLevelOnly,
                ProcessedMips& processedMips) {
    const RunOptions& options = context.options;
    const FilePass pass{.extension = "mip", .makeFolders = convert, .failureLine = kMipFailed};
    forEachFileOfKind(context, catalogue, output, pass, [&](const std::string& rel) {
        const std::string target = (convert ? output : source) + rel;
        MipImage image;
        // A track's texture is read where it lies: its MIP never lands in the output, only the
        // MI4 made from it. A car set's is copied, then shrunk in place.
        const bool readInPlace = convert && options.track;
        // A copy that failed has said so; what lies at its name is not this file.
        if (convert && !readInPlace && !copyToOutput(context, source + rel, target)) {
            return;
        }
        const std::string readFrom = readInPlace ? source + rel : std::string();
        processMipFile(context, catalogue, image, target, convert, source, output,
                       options.explode && firstLevelOnly, readFrom);
        if (convert) {
            convertMip(context, catalogue, image, target, rel);
        }
        std::vector<std::uint64_t> lengths;
        for (const std::vector<std::uint8_t>& level : image.levels) {
            lengths.push_back(level.size());
        }
        processedMips.push_back(std::move(lengths));
    });
}

void runMi4Pass(RunContext& context, SourceCatalogue& catalogue, const std::string& source,
                const std::string& output, bool convert) {
    const FilePass pass{.extension = "mi4",
                        .makeFolders = convert || context.options.explode,
                        .failureLine = kMi4Failed};
    forEachFileOfKind(context, catalogue, output, pass, [&](const std::string& rel) {
        context.console.printInfoLine(kMi4File, printableName(rel));
        processMi4File(context, rel, source, output + rel);
    });
}

}  // namespace

void runConversion(RunContext& context, SourceCatalogue& catalogue, std::string source,
                   std::string output, bool convert, bool firstLevelOnly) {
    const RunOptions& options = context.options;
    source = withTrailingSeparator(std::move(source));
    setOutputRoot(context, output);
    if (!output.empty()) {
        prepareOutputFolder(context, source, output);
    }
    context.reportFile << kReportHeader << '\n';
    context.reportFile.flush();

    ProcessedMips processedMips;
    runMipPass(context, catalogue, source, output, convert, firstLevelOnly, processedMips);
    if (options.compact) {
        writeMasterMip(context, source, output);
    }
    runMi4Pass(context, catalogue, source, output, convert);
    if (convert || options.compact) {
        runMeshStage(context, catalogue, source, output, convert);
    }
    printConversionSummary(context, catalogue, processedMips);
}

}  // namespace vexmor
