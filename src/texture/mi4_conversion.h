#pragma once

#include <string>

namespace vexmor {

class RunContext;
struct MipImage;
struct SourceCatalogue;

// A track's texture: writes the MI4 form of the image next to `path` (the destination MIP).
// `rel`, the catalogue name, is not used.
void convertMipToMi4(RunContext& context, SourceCatalogue& catalogue, const MipImage& image,
                     std::string path, std::string rel);

}  // namespace vexmor
