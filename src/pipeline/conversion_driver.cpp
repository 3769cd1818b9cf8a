#include "pipeline/conversion_driver.h"

#include <exception>

#include "app/output_file.h"
#include "app/output_guard.h"
#include "app/process_exit.h"
#include "app/run_context.h"
#include "app/text.h"
#include "archive/output_folder.h"
#include "catalogue/source_catalogue.h"
#include "export/mi4_export.h"
#include "export/mip_export.h"
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

// The output folder and the folders of a file below it, each missing level created.
void ensureFolderFor(RunContext& context, const std::string& output, std::string_view rel) {
    const std::string folder = output + std::string(directoryPart(rel));
    if (!folder.empty()) {
        createOutputFolders(context, folder);
    }
}

void runMipPass(RunContext& context, SourceCatalogue& catalogue, const std::string& source,
                const std::string& output, bool convert, bool firstLevelOnly,
                ProcessedMips& processedMips) {
    const RunOptions& options = context.options;
    for (const FileEntry& entry : catalogue.files) {
        try {
            const std::string& rel = entry.name;
            if (convert) {
                ensureFolderFor(context, output, rel);
            }
            const std::string target = (convert ? output : source) + rel;
            if (extensionOf(rel) != "mip") {
                continue;
            }
            MipImage image;
            // A copy that failed has said so; what lies at its name is not this file.
            if (convert && !copyToOutput(context, source + rel, target)) {
                continue;
            }
            processMipFile(context, catalogue, image, target, convert, source, output,
                           options.explode && firstLevelOnly);
            if (convert) {
                if (options.track) {
                    convertMipToMi4(context, catalogue, image, target, rel);
                    if (mayWriteTo(context, target)) {
                        platform::deleteFile(target);
                    }
                } else {
                    shrinkMip(context, catalogue, image, target, rel);
                }
            }
            std::vector<std::uint64_t> lengths;
            for (const std::vector<std::uint8_t>& level : image.levels) {
                lengths.push_back(level.size());
            }
            processedMips.push_back(std::move(lengths));
        } catch (const std::exception& error) {
            context.console.printLine(kMipFailed, error.what());
        }
    }
}

void runMi4Pass(RunContext& context, SourceCatalogue& catalogue, const std::string& source,
                const std::string& output, bool convert) {
    const RunOptions& options = context.options;
    for (const FileEntry& entry : catalogue.files) {
        try {
            const std::string& rel = entry.name;
            if (convert || options.explode) {
                ensureFolderFor(context, output, rel);
            }
            if (extensionOf(rel) != "mi4") {
                continue;
            }
            context.console.printInfoLine(kMi4File, printableName(rel));
            processMi4File(context, rel, source, output + rel);
        } catch (const std::exception& error) {
            context.console.printLine(kMi4Failed, error.what());
        }
    }
}

}  // namespace

void runConversion(RunContext& context, SourceCatalogue& catalogue, std::string source,
                   std::string output, bool convert, bool firstLevelOnly) {
    const RunOptions& options = context.options;
    if (!source.empty() && source.back() != '\\') {
        source.push_back('\\');
    }
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
