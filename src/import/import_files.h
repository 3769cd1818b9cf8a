#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "import/png_image.h"

namespace vexmor {

class RunContext;

// Prints the line that skips one image: "Skipping image {name}: {reason}".
void reportSkippedImage(RunContext& context, std::string_view image, std::string_view reason);

// Reads and decodes one image; a file that cannot be read or decoded is skipped with its line.
std::optional<PngImage> readImage(RunContext& context, const std::string& imagePath,
                                  std::string_view imageName);

// Checks an image's size against the level's; a mismatch is skipped with its line.
bool imageFitsLevel(RunContext& context, std::string_view imageName, std::uint32_t imageWidth,
                    std::uint32_t imageHeight, std::uint32_t level, const std::string& texture,
                    std::uint32_t levelWidth, std::uint32_t levelHeight);

// The whole file, or nothing when it cannot be read.
std::optional<std::vector<std::uint8_t>> readFileBytes(const std::string& pathText);

// Writes a texture whole under a temporary name and renames it into place. A failure prints
// its line, marks the run and leaves the original as it was.
bool writeFileWhole(RunContext& context, const std::string& pathText,
                    std::span<const std::uint8_t> bytes);

// What one texture's import did, for its closing line.
struct ImportTally {
    std::uint64_t images = 0;
    std::uint64_t pixelsChanged = 0;
    std::uint64_t approximate = 0;
    std::uint64_t levelsRemade = 0;
};

// "Rewritten {texture}: ..." when `rewritten`, else "Unchanged {texture}: ...".
void reportTexture(RunContext& context, const std::string& texture, const ImportTally& tally,
                   bool rewritten);

}  // namespace vexmor
