#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/limits.h"
#include "texture/texture_codec.h"

namespace vexmor {

class Console;
class RunContext;

// A MIP texture in memory. `levels` and `levelRecords` always have the same length and order
// once pixel data is present.
struct MipImage {
    std::string path;
    std::uint32_t width = 0;   // level-0 width
    std::uint32_t height = 0;  // full level-0 height: heightMinus2 + 2
    std::vector<std::vector<std::uint8_t>> levels;
    MipHeader header;
    std::vector<MipLevelRecord> levelRecords;
};

// Level geometry: level i is width >> i pixels wide and (heightMinus2 >> i) + 2 rows high.
inline std::uint32_t levelWidth(std::uint32_t width, std::uint64_t level) {
    return level > limits::kMaxLevelShift ? 0 : width >> level;
}
inline std::uint32_t levelHeight(std::uint32_t heightMinus2, std::uint64_t level) {
    return (level > limits::kMaxLevelShift ? 0 : heightMinus2 >> level) + 2;
}
inline std::uint64_t levelByteCount(const MipHeader& header, std::uint64_t level) {
    return std::uint64_t{levelWidth(header.width, level)} * levelHeight(header.heightMinus2, level);
}
// Where a reader finds a level's pixels; the only way, as levels need not be contiguous.
inline std::uint32_t levelDataPosition(const MipLevelRecord& record) {
    return record.offset - record.mipLevelInternal + 3;
}

// Fills the image from the file at `path` through MipReader; with `withPixels` the level data
// too. An unreadable file leaves the image empty; a refused one keeps its geometry but no levels,
// and says so in its own header (numMips 0).
void readMip(Console& console, MipImage& image, std::string path, bool withPixels);

// Writes the image in MIP layout, whole or not at all, recomputing every offset and the size
// word. False (with its line) when the file could not be written.
bool writeMip(RunContext& context, MipImage& image, std::string path);

}  // namespace vexmor
