#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "texture/mi4_file.h"

// The names the exports give their level images, and the reading back of those names. Both
// directions live here so that an image found on disk is matched by the very rule that named it.
namespace vexmor {

// "{export path}.{level + 1}.{levels}.{w}x{h}.{w × h}B.png"
std::string mipLevelImageName(std::string_view exportPath, std::uint32_t level,
                              std::uint32_t numMips, std::uint32_t width, std::uint32_t height);

// Level 0 alone: the export path with its last four characters (".mip") replaced by ".png".
std::string mipFirstLevelImageName(std::string_view exportPath);

// "{export path}.{level + 1}.{levels}.{w}x{h}.{n}B.Offset.{offset}.size.{n}.magic.{magic}
// .level.{mipLevelInternal}.png", n being the level's packed bytes.
std::string mi4LevelImageName(std::string_view exportPath, std::uint64_t level,
                              const Mi4Header& header, const Mi4ReadGeometry& geometry,
                              const Mi4LevelRecord& record);

enum class ImageNameForm { mipLevel, mipFirstLevel, mi4Level };

// What an image's name says: the texture it came from (its path below the exploded folder, with
// the separators of the name) and the level, counted from 0.
struct ImageName {
    ImageNameForm form = ImageNameForm::mipLevel;
    std::string texture;
    std::uint32_t level = 0;
    std::uint32_t numMips = 0;  // 0 for the level-0-only form, whose name does not say
    std::uint32_t width = 0;    // as named; 0 for the level-0-only form
    std::uint32_t height = 0;
};

// Reads an image name (a path below the images' folder). The level forms are tried first; any
// other name ending in ".png" (any case) is taken as the level-0-only form of "{stem}.mip", which
// names a texture only when that texture exists. Nothing when the name fits no form.
std::optional<ImageName> parseImageName(std::string_view relative);

}  // namespace vexmor
