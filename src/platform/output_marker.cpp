#include "platform/output_marker.h"

#include <filesystem>
#include <vector>

#include "common/text.h"
#include "platform/file_system.h"
#include "platform/native_entries.h"

// The parts of output-folder ownership that read the same on every platform; the lock itself is
// in the posix/ and windows/ halves.
namespace vexmor::platform {
namespace fs = std::filesystem;

namespace detail {

fs::path folderPath(std::string_view folderText) {
    fs::path path = nativePath(folderText);
    while (!path.has_filename() && path.has_relative_path() && path.parent_path() != path) {
        path = path.parent_path();
    }
    return path;
}

}  // namespace detail

bool isOutputMarkerName(std::string_view name) {
    if (name.size() != kOutputMarkerName.size()) {
        return false;
    }
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (lowerAscii(name[i]) != kOutputMarkerName[i]) {
            return false;
        }
    }
    return true;
}

OutputFolderState outputFolderState(std::string_view folderText) {
    const fs::path folder = detail::folderPath(folderText);
    if (detail::isLink(folder)) {
        return OutputFolderState::link;
    }
    std::error_code error;
    const fs::file_status status = fs::status(folder, error);
    if (status.type() == fs::file_type::not_found) {
        return OutputFolderState::missing;
    }
    if (error) {
        throw FileSystemError("status", error, folderText);
    }
    if (!fs::is_directory(status)) {
        return OutputFolderState::notFolder;
    }
    if (fs::is_regular_file(fs::symlink_status(folder / kOutputMarkerName, error))) {
        return OutputFolderState::marked;
    }
    const fs::directory_iterator it(folder, error);
    if (error) {
        throw FileSystemError("directory_iterator", error, folderText);
    }
    return it == fs::directory_iterator() ? OutputFolderState::empty : OutputFolderState::foreign;
}

void emptyOutputFolder(std::string_view folderText) {
    const fs::path folder = detail::folderPath(folderText);
    std::error_code error;
    std::vector<fs::path> children;
    fs::directory_iterator it(folder, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        if (!detail::sameComponent(it->path().filename(), fs::path(kOutputMarkerName))) {
            children.push_back(it->path());
        }
    }
    fs::path firstPath = folder;
    for (const fs::path& child : children) {
        detail::removeTree(child, error, firstPath);
    }
    if (error) {
        throw FileSystemError("remove_all", error, detail::genericText(firstPath));
    }
}

MarkerLock& MarkerLock::operator=(MarkerLock&& other) noexcept {
    if (this != &other) {
        MarkerLock dropped(std::move(*this));
        handle_ = other.handle_;
        other.handle_ = -1;
    }
    return *this;
}

}  // namespace vexmor::platform
