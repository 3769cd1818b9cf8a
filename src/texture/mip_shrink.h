#pragma once

#include <string>

namespace vexmor {

class RunContext;
struct MipImage;
struct SourceCatalogue;

// A car set's texture: shrinks it by power-of-two factors to fit the width and height limits,
// records the factors and re-exports it over `path`. `rel`, the catalogue name, is not used.
void shrinkMip(RunContext& context, SourceCatalogue& catalogue, MipImage& image, std::string path,
               std::string rel);

// "-reduce": drops the smallest levels instead of shrinking.
void reduceMipLevels(RunContext& context, SourceCatalogue& catalogue, MipImage& image,
                     std::string path, std::string rel);

// "-reduce -expandmips": enlarges the texture instead.
void expandMip(RunContext& context, SourceCatalogue& catalogue, MipImage& image, std::string path,
               std::string rel);

}  // namespace vexmor
