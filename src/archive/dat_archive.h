#pragma once

#include <string>

namespace vexmor {

class RunContext;
struct SourceCatalogue;

// Lists a DAT archive's directory into the catalogue and, with `unpack`, writes every member
// into `outputFolder`, loading the game palette from an unpacked palette member.
void readDatArchive(RunContext& context, SourceCatalogue& catalogue, std::string archivePath,
                    bool unpack, std::string outputFolder);

}  // namespace vexmor
