#include "catalogue/folder_scan.h"

#include <algorithm>
#include <cstdint>
#include <exception>

#include "app/console.h"
#include "catalogue/listed_palette.h"
#include "catalogue/source_catalogue.h"
#include "common/text.h"
#include "platform/file_system.h"

namespace vexmor {
namespace {

constexpr std::string_view kScan = "Scan: {} {} ({})";
constexpr std::string_view kScanFailed =
    "An exception occured while scanning folder {}. The error message is \"{}\"";
constexpr std::string_view kSkippedBackslash =
    "Scan: skipped {} because its name holds a \\, which path texts read as a separator";
constexpr std::string_view kSkippedOutput =
    "Scan: skipped {} because it holds the output of an earlier vexmor run";
constexpr std::string_view kSkippedBrokenLink = "Scan: skipped {} because it is a link to nothing";
constexpr std::string_view kSkippedUnreadable = "Scan: skipped {} ({})";

// One line for each entry the walk passed over, naming it below the folder text as the Scan
// lines do.
void reportSkipped(Console& console, const std::string& genericFolder, const std::string& relative,
                   platform::SkippedEntry why, const std::string& error) {
    const std::string shown = printableName(genericFolder + relative);
    switch (why) {
        case platform::SkippedEntry::backslashName:
            console.printLine(kSkippedBackslash, shown);
            break;
        case platform::SkippedEntry::earlierOutput:
            console.printLine(kSkippedOutput, shown);
            break;
        case platform::SkippedEntry::brokenLink:
            console.printLine(kSkippedBrokenLink, shown);
            break;
        case platform::SkippedEntry::unreadable:
            console.printLine(kSkippedUnreadable, shown, printableName(error));
            break;
    }
}

}  // namespace

bool scanSourceFolder(Console& console, SourceCatalogue& catalogue, std::string folder) {
    if (folder.empty()) {
        return false;
    }
    folder = withTrailingSeparator(std::move(folder));
    // The Scan line shows the folder text with `/` separators followed by the relative path.
    std::string genericFolder = folder;
    std::replace(genericFolder.begin(), genericFolder.end(), '\\', '/');

    try {
        if (platform::pathKind(folder) != platform::PathKind::directory) {
            return false;
        }
        catalogue.fileCount = 0;
        catalogue.files.clear();
        const auto onSkipped = [&](const std::string& relative, platform::SkippedEntry why,
                                   const std::string& error) {
            reportSkipped(console, genericFolder, relative, why, error);
        };
        const auto onFile = [&](const std::string& relative) {
            const std::string fullPath = genericFolder + relative;
            const std::string fileName(fileNamePart(toLowerAscii(relative)));
            console.printInfoLine(kScan, printableName(fileName), printableName(relative),
                                  printableName(fullPath));
            takeListedPalette(console, catalogue, fileName,
                              static_cast<std::uint32_t>(catalogue.files.size()), fullPath,
                              PaletteLine::always);
            std::string name = relative;
            std::replace(name.begin(), name.end(), '/', '\\');
            catalogue.files.push_back({std::move(name), 0, 0});
            ++catalogue.fileCount;
        };
        platform::walkRegularFiles(folder, onFile, onSkipped);
    } catch (const std::exception& error) {
        console.printLine(kScanFailed, folder, error.what());
        catalogue.scanCutShort = true;
    }
    return true;
}

}  // namespace vexmor
