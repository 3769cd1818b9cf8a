#include "archive/output_folder.h"

#include <exception>

#include "app/output_guard.h"
#include "app/run_context.h"
#include "app/text.h"
#include "platform/file_system.h"

namespace vexmor {
namespace {

constexpr std::string_view kCouldNotCreate = "Could not create output folder \"{}\" (error {})";

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

// Drops the last component and the separators before it, never past the root: for a folder
// text ending in a separator, the folder itself.
std::string parentOf(const std::string& folder) {
    const std::size_t separator = lastSeparator(folder);
    if (separator == std::string::npos) {
        return {};
    }
    std::size_t end = separator;
    while (end > 0 && isSeparator(folder[end - 1])) {
        --end;
    }
    if (end == 0 || (end == 2 && folder[1] == ':')) {
        return folder.substr(0, end + 1);  // the root: "/", "\" or "c:\"
    }
    return folder.substr(0, end);
}

}  // namespace

void createOutputFolder(RunContext& context, std::string folder) {
    try {
        const std::string parent = parentOf(folder);
        if (!parent.empty() && platform::pathKind(parent) == platform::PathKind::directory) {
            return;
        }
        platform::createDirectory(folder);
    } catch (const std::exception& error) {
        context.console.printLine(kCouldNotCreate, folder, error.what());
    } catch (...) {
        context.console.printLine(kCouldNotCreate, folder, "Unknown exception");
    }
}

void createOutputFolders(RunContext& context, const std::string& folder) {
    // A folder outside the output is never made; the file meant for it is refused with its line.
    if (!liesInsideOutput(context, folder)) {
        return;
    }
    // Every file written asks for its folder, which mostly exists by then; an existing folder
    // has all the levels above it, so one look is enough. A text with dot-dot components can
    // name a folder whose written levels do not all exist, so it always gets the walk below.
    if (folder.find("..") == std::string::npos) {
        try {
            const std::string whole = parentOf(folder);
            if (!whole.empty() && platform::pathKind(whole) == platform::PathKind::directory) {
                return;
            }
        } catch (...) {
            // the walk below reports what fails
        }
    }
    // Each separator ends one level; levels that exist already are left alone by
    // createOutputFolder, so every level gets one call, outermost first.
    for (std::size_t i = 1; i < folder.size(); ++i) {
        if (isSeparator(folder[i]) && !isSeparator(folder[i - 1]) && folder[i - 1] != ':') {
            createOutputFolder(context, folder.substr(0, i + 1));
        }
    }
}

}  // namespace vexmor
