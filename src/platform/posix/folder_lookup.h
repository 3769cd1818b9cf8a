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

}  // namespace vexmor::platform
