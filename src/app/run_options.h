#pragma once

#include <cstdint>
#include <string>

namespace vexmor {

// The settings of one run, taken from the command line and read-only afterwards.
struct RunOptions {
    std::string sourcePath;   // lower-cased, at most one trailing `\` removed
    std::string outputPath;   // ends with `\` once set to a non-empty text
    std::string palettePath;  // as typed
    std::string meshFilter;   // as typed
    bool info = false;
    bool explode = false;
    bool explodeFirstLevelOnly = false;
    bool unpack = false;
    bool convert = false;
    bool report = false;
    bool compact = false;
    std::int32_t compactWidth = 0;
    std::int32_t compactHeight = 0;
    bool paletteGiven = false;
    bool track = false;  // false: a car set
    bool reduce = false;
    bool quarter = false;
    std::int32_t widthLimit = 128;
    std::int32_t heightLimit = 32768;
    bool maxMipsGiven = false;
    std::int32_t maxMips = 8;
    bool limitGiven = false;
    std::int32_t limit = 2;
    bool counterGiven = false;
    std::int32_t counter = 0;
    bool expandMipsGiven = false;
    std::int32_t expandMips = 0;
    bool pack = false;
    std::string packPath;  // the DAT file to build, as typed
    bool importGiven = false;
    std::string importPath;  // the folder the images came from; ends with `\` once set
};

}  // namespace vexmor
