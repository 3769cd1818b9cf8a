#include "import/texture_import.h"

#include <algorithm>
#include <exception>

#include "app/process_exit.h"
#include "app/run_context.h"
#include "catalogue/palette_file.h"
#include "catalogue/source_catalogue.h"
#include "common/text.h"
#include "import/import_plan.h"
#include "platform/file_system.h"

namespace vexmor {
namespace {

constexpr std::string_view kNeedPalette =
    "To import images into MIP textures a palette file (sunny.pcx) needs to be specified with "
    "the -palette <path>";
constexpr std::string_view kImportFailed = "Exception during import into {}: {}";
constexpr int kNoPaletteExitCode = 1;

// A folder typed with a trailing `/` already ends in a separator here: its files' names are
// joined to it as they are.
std::string withSeparator(std::string folder) {
    if (!folder.empty() && folder.back() == '/') {
        return folder;
    }
    return withTrailingSeparator(std::move(folder));
}

bool isRegularFile(const std::string& path) {
    try {
        return platform::pathKind(path) == platform::PathKind::regularFile;
    } catch (const platform::FileSystemError&) {
        return false;
    }
}

// MIP colours come from -palette or a palette met among the images, else from the target's own
// sunny.pcx or colors.pcx. Without one, nothing is written and the run ends.
void ensurePalette(RunContext& context, SourceCatalogue& catalogue, const std::string& target) {
    for (const char* name : {"sunny.pcx", "colors.pcx"}) {
        if (catalogue.paletteLoaded) {
            return;
        }
        const std::string path = target + name;
        if (isRegularFile(path)) {
            loadPalette(context.console, catalogue, path);
        }
    }
    if (!catalogue.paletteLoaded) {
        context.console.printLine(kNeedPalette);
        throw ProcessExit{kNoPaletteExitCode};
    }
}

}  // namespace

void runImport(RunContext& context, SourceCatalogue& catalogue, std::string images,
               std::string target) {
    images = withSeparator(std::move(images));
    target = withSeparator(std::move(target));
    const std::vector<TextureImports> plan = planImports(context, catalogue, images, target);
    const bool anyMip = std::any_of(plan.begin(), plan.end(),
                                    [](const TextureImports& imports) { return !imports.mi4; });
    if (anyMip) {
        ensurePalette(context, catalogue, target);
    }
    for (const TextureImports& imports : plan) {
        try {
            if (imports.mi4) {
                importMi4(context, imports);
            } else {
                importMip(context, catalogue, imports);
            }
        } catch (const std::exception& error) {
            context.console.printLine(kImportFailed, imports.path, error.what());
        }
    }
}

}  // namespace vexmor
