#include "pipeline/file_pass.h"

#include <exception>

#include "app/run_context.h"
#include "archive/output_folder.h"
#include "catalogue/source_catalogue.h"
#include "common/text.h"

namespace vexmor {

void forEachFileOfKind(RunContext& context, const SourceCatalogue& catalogue,
                       const std::string& output, const FilePass& pass,
                       const std::function<void(const std::string& rel)>& handle) {
    for (const FileEntry& entry : catalogue.files) {
        try {
            const std::string& rel = entry.name;
            if (pass.makeFolders) {
                const std::string folder = output + std::string(directoryPart(rel));
                if (!folder.empty()) {
                    createOutputFolders(context, folder);
                }
            }
            if (extensionOf(rel) == pass.extension) {
                handle(rel);
            }
        } catch (const std::exception& error) {
            // As every console line shows a text: the error may quote a file's name.
            const PrintableText what{error.what()};
            context.console.printLineWith(pass.failureLine, fmt::make_format_args(what));
        }
    }
}

}  // namespace vexmor
