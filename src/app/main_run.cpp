#include "app/main_run.h"

#include <functional>
#include <string>
#include <string_view>

#include "app/command_line.h"
#include "app/process_exit.h"
#include "app/run_context.h"
#include "archive/dat_archive.h"
#include "archive/dat_pack.h"
#include "catalogue/folder_scan.h"
#include "catalogue/palette_file.h"
#include "catalogue/source_catalogue.h"
#include "common/text.h"
#include "import/texture_import.h"
#include "pipeline/conversion_driver.h"
#include "platform/file_system.h"

namespace vexmor {
namespace {

// The project's version, from the build (CMakeLists.txt).
constexpr int kVersionMajor = VEXMOR_VERSION_MAJOR;
constexpr int kVersionMinor = VEXMOR_VERSION_MINOR;
constexpr std::string_view kVersionText = VEXMOR_VERSION;

constexpr std::string_view kStars =
    "****************************************************************************************"
    "********************";
static_assert(kStars.size() == 108);

constexpr std::string_view kVersion = "Vexmor V{}.{}";
constexpr std::string_view kBuilt = "Built on: {}, {}";
constexpr std::string_view kNoFiles = "Could not find any files in folder {}";
constexpr std::string_view kVersionLine = "vexmor {} (built {})";

constexpr std::string_view kPackWithOtherJob =
    "Error - -pack is a job of its own: leave out -convert, -explode, -explode0, -compact, "
    "-report, -unpack and -import";
constexpr std::string_view kNoPackFile = "Error - no DAT file specified after -pack command";
constexpr std::string_view kImportWithoutFolder =
    "Error - -import needs the folder the images came from";
constexpr std::string_view kImportNotAlone =
    "Error - -import is a job of its own: it cannot be combined with -convert, -explode, "
    "-explode0, -compact, -report or -unpack";

// A run in which a file could not be written ends with this code after its statistics.
constexpr int kWriteFailedExitCode = 4;

void printUsage(Console& console) {
    console.printLine(kStars);
    console.printLine(kVersion, kVersionMajor, kVersionMinor);
    console.printLine(kBuilt, __DATE__, __TIME__);
    console.printLine(
        "Designed to convert incompatible carsets and tracks for the Rendition Edition of Indy "
        "Car Racing II");
    console.printLine(kStars);
    console.printLine(
        "Usage Vexmor <DATfile if unpacking|source folder> [-info]|[-report][-unpack|-convert|"
        "-explode <output path>]");
    console.printLine("-Unpack, -convert or -explode must be specified at the end of the line");
    console.printLine("\t-unpack <ExtractionPath>");
    console.printLine("To convert a carset:");
    console.printLine("\t-convert <Extraction Path>");
    console.printLine("To convert a track or Mi4 (paletted):");
    console.printLine("\t-track -convert <Extraction Path>");
    console.printLine("To extract the contents of MIP and MI4 files");
    console.printLine("\tfor a track:");
    console.printLine("\t\t-explode <Output path>");
    console.printLine("\tfor a carset");
    console.printLine("\t\t-palette <full path to sunny.pcx> -explode <Output path>");
    console.printLine("To pack the files of a folder into a DAT file:");
    console.printLine("\t<source folder> -pack <DAT file>");
    console.printLine("To bring edited images back into the textures they were exploded from:");
    console.printLine(
        "\t<image folder> -import <texture folder> [-palette <full path to sunny.pcx>]");
    console.printLine(kStars);
}

bool nameExists(std::string_view name) {
    try {
        return platform::pathKind(name) != platform::PathKind::missing;
    } catch (const platform::FileSystemError&) {
        return true;  // something is there; as the source, the scan reports on it
    }
}

// "--help", "-h" or "--version" as the only argument prints the usage or the version line,
// unless a file or folder of that name exists: that stays the source. True when it printed.
bool printedHelpOrVersion(Console& console, std::string_view argument) {
    const bool help = argument == "--help" || argument == "-h";
    if ((!help && argument != "--version") || nameExists(argument)) {
        return false;
    }
    if (help) {
        printUsage(console);
    } else {
        console.printLine(kVersionLine, kVersionText, __DATE__);
    }
    return true;
}

// An archive is a source whose first ".dat" ends exactly at its end, so a folder such as
// x.dat.old\y.dat is not taken for one.
bool isDatArchive(const std::string& sourcePath) {
    const std::string lowered = toLowerAscii(sourcePath);
    return lowered.size() >= 4 && lowered.find(".dat") == lowered.size() - 4;
}

// The jobs that a job of its own (-pack, -import) cannot share a run with.
bool anotherJobGiven(const RunOptions& options) {
    return options.convert || options.explode || options.compact || options.report ||
           options.unpack;
}

// A job of its own scans the source as usual, does its work and prints the statistics; the
// conversion driver does not run.
int runOnScannedSource(RunContext& context,
                       const std::function<void(SourceCatalogue& catalogue)>& job) {
    SourceCatalogue catalogue;
    if (!scanSourceFolder(context.console, catalogue, context.options.sourcePath)) {
        context.console.printLine(kNoFiles, context.options.sourcePath);
        return 2;
    }
    job(catalogue);
    printStatistics(context.statistics, context.console);
    return context.writeFailed ? kWriteFailedExitCode : 0;
}

// -pack: the source folder is scanned as usual and its files packed; the conversion driver does
// not run, the statistics do. A clash of jobs or a missing archive name touches nothing.
int runPackJob(RunContext& context) {
    const RunOptions& options = context.options;
    if (anotherJobGiven(options) || options.importGiven) {
        context.console.printLine(kPackWithOtherJob);
        return 1;
    }
    if (options.packPath.empty()) {
        context.console.printLine(kNoPackFile);
        return 1;
    }
    return runOnScannedSource(context, [&](SourceCatalogue& catalogue) {
        packDatArchive(context, catalogue, options.sourcePath, options.packPath);
    });
}

// The -import job: refused before anything is read when its folder is missing or another job is
// asked for; else the images are scanned and brought back, without the conversion driver.
int runImportJob(RunContext& context) {
    const RunOptions& options = context.options;
    if (options.importPath.empty()) {
        context.console.printLine(kImportWithoutFolder);
        return 1;
    }
    if (anotherJobGiven(options)) {
        context.console.printLine(kImportNotAlone);
        return 1;
    }
    return runOnScannedSource(context, [&](SourceCatalogue& catalogue) {
        if (options.paletteGiven) {
            loadPalette(context.console, catalogue, options.palettePath);
        }
        runImport(context, catalogue, options.sourcePath, options.importPath);
    });
}

}  // namespace

int mainRun(RunContext& context, int argc, const char* const argv[]) {
    if (argc < 2) {
        printUsage(context.console);
        return 1;
    }
    if (argc == 2 && printedHelpOrVersion(context.console, argv[1])) {
        return 0;
    }
    parseCommandLine(context, argc, argv);
    const RunOptions& options = context.options;
    if (options.pack) {
        return runPackJob(context);
    }
    if (options.importGiven) {
        return runImportJob(context);
    }

    SourceCatalogue catalogue;
    if (isDatArchive(options.sourcePath) && (options.unpack || options.info)) {
        readDatArchive(context, catalogue, options.sourcePath, options.unpack, options.outputPath);
    } else if (!scanSourceFolder(context.console, catalogue, options.sourcePath)) {
        context.console.printLine(kNoFiles, options.sourcePath);
        return 2;
    }

    if (options.paletteGiven) {
        loadPalette(context.console, catalogue, options.palettePath);
    }
    if (options.convert || options.info || options.explode || options.report || options.compact) {
        context.background.enable();
        try {
            runConversion(context, catalogue, options.sourcePath, options.outputPath,
                          options.convert, options.explodeFirstLevelOnly);
        } catch (const ProcessExit&) {
            // A run ended early still writes the images under way, and their lines come first.
            context.background.settle();
            throw;
        }
        context.background.settle();
    }
    printStatistics(context.statistics, context.console);
    return context.writeFailed ? kWriteFailedExitCode : 0;
}

}  // namespace vexmor
