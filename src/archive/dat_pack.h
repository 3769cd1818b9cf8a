#pragma once

#include <string>

namespace vexmor {

class RunContext;
struct SourceCatalogue;

// Builds the DAT archive `archivePath` from the files directly in `folder`, as the folder scan
// listed them into the catalogue, in the scan's order. Every check runs before anything is
// written, and the archive is renamed into place only when complete: a refusal or a failure is
// one line each, sets `writeFailed` and leaves an existing archive as it was.
void packDatArchive(RunContext& context, const SourceCatalogue& catalogue,
                    const std::string& folder, const std::string& archivePath);

}  // namespace vexmor
