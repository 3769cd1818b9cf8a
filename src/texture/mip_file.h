#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

#include "app/limits.h"

namespace vexmor {

class RunContext;

// The 24-byte header of a MIP texture, unsigned little-endian words in file order.
struct MipHeader {
    std::uint32_t size = 0;  // file size minus 4
    std::uint32_t reserved = 0;
    std::uint32_t width = 0;
    std::uint32_t heightMinus2 = 0;
    std::uint32_t numMips = 0;
    std::uint32_t defaultColour = 0;
};
inline constexpr std::size_t kMipHeaderSize = 24;

// One 12-byte level record.
struct MipLevelRecord {
    std::uint32_t mipLevelInternal = 0;  // 2^(n - i) - 1
    std::uint32_t magic = 0;             // ~(2 * mipLevelInternal + 1)
    std::uint32_t offset = 0;            // data position + mipLevelInternal - 3
};
inline constexpr std::size_t kMipLevelRecordSize = 12;

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

// Header and record readers over an open binary stream. Missing bytes of a short file read as
// zeros.
MipHeader readMipHeader(std::istream& in);
MipLevelRecord readMipLevelRecord(std::istream& in);
// The level's w × h bytes from its data position, zero-filled where the file has none. Each call
// seeks afresh, so a level that lies in the file is read even after an earlier read ran past the
// end. Throws std::length_error when `byteCount` exceeds limits::kMaxMipLevelBytes.
std::vector<std::uint8_t> readMipLevelData(std::istream& in, const MipLevelRecord& record,
                                           std::uint64_t byteCount);

// True when the file can hold the records its header claims. When it cannot, prints the one
// refusal line naming the file and the count.
bool mipLevelCountFits(RunContext& context, const std::string& path, const MipHeader& header,
                       std::istream& in);

// True when every level the header describes stays within limits::kMaxMipLevelBytes and all
// levels together stay within what the file's length allows (limits::kMipLevelBytesPerFileByte).
// When not, prints the one refusal line naming the file. readMipLevelData throws
// std::length_error for a level above the bound, so callers check first.
bool mipLevelSizeFits(RunContext& context, const std::string& path, const MipHeader& header,
                      std::istream& in);

// Fills the image from the file at `path`; with `withPixels` the level data too. An unreadable
// file leaves the image empty.
void readMip(RunContext& context, MipImage& image, std::string path, bool withPixels);

// Writes the image in MIP layout, whole or not at all, recomputing every offset and the size
// word. False (with its line) when the file could not be written.
bool writeMip(RunContext& context, MipImage& image, std::string path);

}  // namespace vexmor
