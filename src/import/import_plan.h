#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vexmor {

class RunContext;
struct SourceCatalogue;

// One image to bring back: its name below the images' folder and its full path.
struct LevelImage {
    std::string name;
    std::string path;
    std::uint32_t namedWidth = 0;  // the size its name gives; 0 for a level-0-only name
    std::uint32_t namedHeight = 0;
};

// The images of one texture, by level (counted from 0).
struct TextureImports {
    std::string path;  // the texture below the target folder, as the first image names it
    bool mi4 = false;
    std::map<std::uint32_t, LevelImage> levels;
};

// Matches the catalogue's PNG files to the textures below `target` (a folder text ending in a
// separator) by the names the exports give them, in scan order. Images that name nothing that
// exists, and a second image for a level, are skipped with one line each.
std::vector<TextureImports> planImports(RunContext& context, const SourceCatalogue& catalogue,
                                        const std::string& images, const std::string& target);

}  // namespace vexmor
