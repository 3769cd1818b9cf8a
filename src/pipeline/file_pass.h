#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace vexmor {

class RunContext;
struct SourceCatalogue;

// One pass of the conversion over the catalogue's files, for the files of one kind.
struct FilePass {
    std::string_view extension;  // lower case, as extensionOf gives it
    // Whether the folders of every file (of any kind) are made below the output folder.
    bool makeFolders = false;
    // The line for an error raised while one file was handled, with the error's text.
    std::string_view failureLine;
};

// Runs `handle` with the relative name of every catalogue file of the pass's kind, in catalogue
// order. An error raised for one file is printed with the pass's failure line, and the pass
// goes on with the next.
void forEachFileOfKind(RunContext& context, const SourceCatalogue& catalogue,
                       const std::string& output, const FilePass& pass,
                       const std::function<void(const std::string& rel)>& handle);

}  // namespace vexmor
