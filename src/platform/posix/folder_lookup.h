#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vexmor::platform {

// The entry of `folder` whose name equals `component` without regard to ASCII case; the smallest
// such name in byte order when several do; nothing when the folder cannot be listed. Answered
// from the folder's kept names (see folder_index.h), listed anew only when the folder has
// changed in a way the index was not told of.
std::optional<std::string> findIgnoringCase(const std::filesystem::path& folder,
                                            std::string_view component);

// The same for a name about to be made: `component` itself when no other spelling is there;
// nothing when `folder` cannot be listed (missing, not a folder, or closed to this process).
std::optional<std::string> nameInFolder(const std::filesystem::path& folder,
                                        std::string_view component);

// The name to use for `component` in `folder` when the folder's names are kept already and it is
// still the folder they were listed from: `component` itself when it is there as written or not at
// all, else its other spelling. Nothing when the folder is not kept: the caller looks for the
// name itself.
std::optional<std::string> nameInKeptFolder(const std::filesystem::path& folder,
                                            std::string_view component);

}  // namespace vexmor::platform
