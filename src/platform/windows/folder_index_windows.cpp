#include "platform/folder_index.h"

// Windows looks names up without regard to case itself: there is no index to keep.
namespace vexmor::platform {

void noteEntryCreated(const std::filesystem::path&) {}

void noteEntryRemoved(const std::filesystem::path&) {}

void noteFileRenamed(const std::filesystem::path&, const std::filesystem::path&) {}

FolderChange::FolderChange() = default;

FolderChange::~FolderChange() = default;

}  // namespace vexmor::platform
