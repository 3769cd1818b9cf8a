#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/little_endian.h"
#include "texture/texture_codec.h"

// The MI4 texture layout: the 24-byte header and 12-byte level records of texture_codec.h, then
// per level its packed 4-bit pixels followed by a 16-slot RGB565 palette.
namespace vexmor {

inline constexpr std::size_t kMi4PaletteSlots = 16;
inline constexpr std::size_t kMi4PaletteBytes = 2 * kMi4PaletteSlots;

// Where a converted texture goes: the MIP path with its last four characters (whatever they
// are, normally ".mip") replaced by ".mi4"; a shorter path keeps all it has.
inline std::string mi4PathFor(std::string_view mipPath) {
    const std::size_t keep = mipPath.size() < 4 ? mipPath.size() : mipPath.size() - 4;
    return std::string(mipPath.substr(0, keep)) + ".mi4";
}

// 2^bits - 1, saturating at all 32 bits set.
inline std::uint32_t lowBitMask(std::uint64_t bits) {
    return bits >= 32 ? 0xFFFFFFFFu : (std::uint32_t{1} << bits) - 1;
}

// 2^c - 1 for the smallest c with 2^c >= height.
inline std::uint32_t mi4LevelMagic(std::uint64_t height) {
    std::uint64_t bits = 0;
    while (bits < 64 && (std::uint64_t{1} << bits) < height) {
        ++bits;
    }
    return lowBitMask(bits);
}

// Bytes of a level's pixel part as written: two pixels a byte, an odd last pixel taking a whole
// byte so that the records, the size word and the bytes on disk agree.
inline std::uint64_t mi4PackedSize(std::uint64_t pixelCount) {
    return pixelCount / 2 + pixelCount % 2;
}

// Level geometry as a reader takes it: the level-0 size divided by 2^level, and
// (w × h) / 2 packed bytes. Files made by the game's tools are laid out by this rule.
struct Mi4ReadGeometry {
    std::uint64_t scale = 0;  // 2^level; 0 once it no longer fits in 64 bits
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint64_t packedBytes = 0;
};

inline Mi4ReadGeometry mi4ReadGeometry(const Mi4Header& header, std::uint64_t level) {
    Mi4ReadGeometry geometry;
    geometry.scale = level < 64 ? std::uint64_t{1} << level : 0;
    if (level < 32) {
        geometry.width = header.width >> level;
        geometry.height = header.height >> level;
    }
    geometry.packedBytes = std::uint64_t{geometry.width} * geometry.height / 2;
    return geometry;
}

// A palette slot's RGB565 value as the 32-bit colour 0xAABBGGRR, opaque; the low bits of each
// channel stay 0.
inline std::uint32_t decodeMi4Colour(std::uint16_t value) {
    const std::uint32_t red = (value >> 8) & 0xF8u;
    const std::uint32_t green = (value >> 3) & 0xFCu;
    const std::uint32_t blue = (std::uint32_t{value} << 3) & 0xFFu;
    return 0xFF000000u | blue << 16 | green << 8 | red;
}

// A level's 16 slots decoded, slot 0 first.
using Mi4LevelColours = std::array<std::uint32_t, kMi4PaletteSlots>;

// Where a level's palette lies: the 32 bytes before the next level's pixels, or the file's last
// 32 bytes for the last level. May be negative or beyond the file in a damaged one.
inline std::int64_t mi4PalettePosition(std::span<const Mi4LevelRecord> records, std::size_t level,
                                       std::uint64_t fileLength) {
    return level + 1 < records.size()
               ? std::int64_t{records[level + 1].offset} - 28
               : static_cast<std::int64_t>(fileLength) - std::int64_t{kMi4PaletteBytes};
}

// The colours a level shows: two pixels a packed byte, high nibble first. Always exactly
// `pixelCount` colours: an odd count leaves one pixel beyond the packed bytes, which takes slot
// 0's colour.
inline std::vector<std::uint32_t> decodeMi4Pixels(std::span<const std::uint8_t> packed,
                                                  const Mi4LevelColours& colours,
                                                  std::uint64_t pixelCount) {
    std::vector<std::uint32_t> pixels(pixelCount, colours[0]);
    for (std::size_t i = 0; i < packed.size() && 2 * i + 1 < pixels.size(); ++i) {
        pixels[2 * i] = colours[packed[i] >> 4];
        pixels[2 * i + 1] = colours[packed[i] & 0x0F];
    }
    return pixels;
}

}  // namespace vexmor
