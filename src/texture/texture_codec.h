#pragma once

#include <array>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <span>

#include "common/little_endian.h"

// The binary frame MIP and MI4 textures share: a 24-byte header of six little-endian words, then
// one 12-byte record of three words per level. The formats differ only in what the height word
// and the record words mean, so one codec reads and writes both.
namespace vexmor {

// Word positions in the header.
inline constexpr std::size_t kTextureSizeAt = 0;
inline constexpr std::size_t kTextureReservedAt = 4;
inline constexpr std::size_t kTextureWidthAt = 8;
inline constexpr std::size_t kTextureHeightAt = 12;
inline constexpr std::size_t kTextureLevelCountAt = 16;
inline constexpr std::size_t kTextureDefaultColourAt = 20;
inline constexpr std::size_t kTextureHeaderSize = 24;
static_assert(kTextureDefaultColourAt + 4 == kTextureHeaderSize);
static_assert(kTextureLevelCountAt + 4 == kTextureDefaultColourAt);

// Word positions in a level record.
inline constexpr std::size_t kRecordMaskAt = 0;
inline constexpr std::size_t kRecordMagicAt = 4;
inline constexpr std::size_t kRecordOffsetAt = 8;
inline constexpr std::size_t kLevelRecordSize = 12;
static_assert(kRecordOffsetAt + 4 == kLevelRecordSize);

// A MIP header, the words in file order.
struct MipHeader {
    std::uint32_t size = 0;  // file size minus 4
    std::uint32_t reserved = 0;
    std::uint32_t width = 0;
    std::uint32_t heightMinus2 = 0;
    std::uint32_t numMips = 0;
    std::uint32_t defaultColour = 0;
};

// An MI4 header: unlike a MIP header, `height` is the full level-0 height.
struct Mi4Header {
    std::uint32_t size = 0;  // end of the last level block minus 4
    std::uint32_t reserved = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t numMips = 0;
    std::uint32_t defaultColour = 0;
};

// One level record. `mipLevelInternal` is 2^(n - i) - 1 in both formats. In a MIP, `magic` is
// ~(2 * mipLevelInternal + 1) and `offset` the level's data position + mipLevelInternal - 3; in
// an MI4, `magic` is 2^c - 1, the smallest such mask covering the level's height, and `offset`
// the position of the level's pixels minus 4.
struct TextureLevelRecord {
    std::uint32_t mipLevelInternal = 0;
    std::uint32_t magic = 0;
    std::uint32_t offset = 0;
};
using MipLevelRecord = TextureLevelRecord;
using Mi4LevelRecord = TextureLevelRecord;

template <typename Header>
concept TextureHeader = std::same_as<Header, MipHeader> || std::same_as<Header, Mi4Header>;

template <TextureHeader Header>
std::array<std::uint8_t, kTextureHeaderSize> encodeTextureHeader(const Header& header) {
    const auto& [size, reserved, width, height, numMips, defaultColour] = header;
    std::array<std::uint8_t, kTextureHeaderSize> bytes{};
    writeU32(bytes, kTextureSizeAt, size);
    writeU32(bytes, kTextureReservedAt, reserved);
    writeU32(bytes, kTextureWidthAt, width);
    writeU32(bytes, kTextureHeightAt, height);
    writeU32(bytes, kTextureLevelCountAt, numMips);
    writeU32(bytes, kTextureDefaultColourAt, defaultColour);
    return bytes;
}

template <TextureHeader Header>
Header decodeTextureHeader(std::span<const std::uint8_t, kTextureHeaderSize> bytes) {
    return {readU32(bytes, kTextureSizeAt),       readU32(bytes, kTextureReservedAt),
            readU32(bytes, kTextureWidthAt),      readU32(bytes, kTextureHeightAt),
            readU32(bytes, kTextureLevelCountAt), readU32(bytes, kTextureDefaultColourAt)};
}

inline std::array<std::uint8_t, kLevelRecordSize> encodeLevelRecord(
    const TextureLevelRecord& record) {
    std::array<std::uint8_t, kLevelRecordSize> bytes{};
    writeU32(bytes, kRecordMaskAt, record.mipLevelInternal);
    writeU32(bytes, kRecordMagicAt, record.magic);
    writeU32(bytes, kRecordOffsetAt, record.offset);
    return bytes;
}

inline TextureLevelRecord decodeLevelRecord(std::span<const std::uint8_t, kLevelRecordSize> bytes) {
    return {readU32(bytes, kRecordMaskAt), readU32(bytes, kRecordMagicAt),
            readU32(bytes, kRecordOffsetAt)};
}

}  // namespace vexmor
