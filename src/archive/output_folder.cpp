#include "archive/output_folder.h"

#include <exception>

#include "app/output_guard.h"
#include "app/process_exit.h"
#include "app/run_context.h"
#include "common/text.h"
#include "platform/file_system.h"
#include "platform/output_marker.h"

namespace vexmor {
namespace {

constexpr std::string_view kCouldNotCreate = "Could not create output folder \"{}\" (error {})";
constexpr std::string_view kRemoveFailed = "Error while removing directory {}: {}";
constexpr std::string_view kRefuseForeign =
    "Error - refusing to remove output folder {} because it holds files vexmor did not write";
constexpr std::string_view kRefuseLink =
    "Error - refusing to use output folder {} because it is a link";
constexpr std::string_view kInUse = "Error - output folder {} is in use by another vexmor run";
constexpr std::string_view kNotMarked = "Error - could not mark output folder {}: {}";

constexpr int kRefusedExitCode = 3;

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

// The folder's state; one that cannot be told is reported and left alone (false).
bool readState(Console& console, const std::string& folder, platform::OutputFolderState& state) {
    try {
        state = platform::outputFolderState(folder);
        return true;
    } catch (const std::exception& error) {
        console.printLine(kRemoveFailed, folder, error.what());
        return false;
    }
}

[[noreturn]] void refuse(Console& console, std::string_view line, const std::string& folder) {
    console.printLineWith(line, fmt::make_format_args(folder));
    throw ProcessExit{kRefusedExitCode};
}

// Locks the marker of a folder that is empty or marked; a folder another run holds ends this
// one before anything is touched.
void lockMarker(Console& console, platform::MarkerLock& lock, const std::string& folder) {
    lock = platform::MarkerLock();  // a lock this run took before is given up
    std::string failure;
    switch (platform::lockOutputMarker(folder, lock, failure)) {
        case platform::LockOutcome::locked:
            break;
        case platform::LockOutcome::busy:
            refuse(console, kInUse, folder);
        case platform::LockOutcome::failed:
            console.printLine(kNotMarked, folder, failure);
            break;
    }
}

}  // namespace

void createOutputFolder(Console& console, std::string folder) {
    try {
        const std::string parent = parentOf(folder);
        if (!parent.empty() && platform::pathKind(parent) == platform::PathKind::directory) {
            return;
        }
        platform::createDirectory(folder);
    } catch (const std::exception& error) {
        console.printLine(kCouldNotCreate, folder, error.what());
    } catch (...) {
        console.printLine(kCouldNotCreate, folder, "Unknown exception");
    }
}

bool createOutputFolders(RunContext& context, const std::string& folder) {
    // A folder outside the output is never made; the file meant for it is refused with its line.
    if (!liesInsideOutput(context, folder)) {
        return false;
    }
    // Every file written asks for its folder, which mostly exists by then; an existing folder
    // has all the levels above it, so one look is enough. A text with dot-dot components can
    // name a folder whose written levels do not all exist, so it always gets the walk below.
    if (folder.find("..") == std::string::npos) {
        try {
            const std::string whole = parentOf(folder);
            if (!whole.empty() && platform::pathKind(whole) == platform::PathKind::directory) {
                return true;
            }
        } catch (...) {
            // the walk below reports what fails
        }
    }
    // Each separator ends one level; levels that exist already are left alone by
    // createOutputFolder, so every level gets one call, outermost first.
    for (std::size_t i = 1; i < folder.size(); ++i) {
        if (isSeparator(folder[i]) && !isSeparator(folder[i - 1]) && folder[i - 1] != ':') {
            createOutputFolder(context.console, folder.substr(0, i + 1));
        }
    }
    return false;
}

void claimOutputFolder(RunContext& context, const std::string& folder, OutputUse use) {
    using platform::OutputFolderState;
    OutputFolderState state{};
    if (!readState(context.console, folder, state)) {
        return;
    }
    if (state == OutputFolderState::link) {
        refuse(context.console, kRefuseLink, folder);
    }
    if (state == OutputFolderState::foreign && use == OutputUse::replace) {
        refuse(context.console, kRefuseForeign, folder);
    }
    if (state == OutputFolderState::missing) {
        if (use == OutputUse::replace) {
            createOutputFolders(context, folder);
        } else {
            createOutputFolder(context.console, folder);
        }
        if (!readState(context.console, folder, state)) {
            return;
        }
    }
    if (state != OutputFolderState::empty && state != OutputFolderState::marked) {
        return;  // not made, not a folder, or another's folder being unpacked into
    }
    lockMarker(context.console, context.outputLock, folder);
    if (use == OutputUse::replace && state == OutputFolderState::marked) {
        try {
            platform::emptyOutputFolder(folder);
        } catch (const std::exception& error) {
            context.console.printLine(kRemoveFailed, folder, error.what());
        }
    }
}

}  // namespace vexmor
