#pragma once

#include <string>

namespace vexmor {

class RunContext;
struct SourceCatalogue;
struct TextureImports;

// The "-import" job: brings the PNG images listed in the catalogue (scanned from `images`) back
// into the MIP and MI4 textures below `target` that they were exploded from. Only textures
// whose indices change are rewritten, each whole. Ends the run with exit code 1 when MIP images
// are met and no palette is to be had.
void runImport(RunContext& context, SourceCatalogue& catalogue, std::string images,
               std::string target);

// One texture's import, for each texture kind.
void importMip(RunContext& context, const SourceCatalogue& catalogue,
               const TextureImports& imports);
void importMi4(RunContext& context, const TextureImports& imports);

}  // namespace vexmor
