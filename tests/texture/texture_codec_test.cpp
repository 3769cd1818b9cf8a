#include "texture/texture_codec.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

namespace vexmor {
namespace {

// Each word distinct in every byte, so a word out of place or in the wrong byte order shows.
TEST(TextureCodecTest, HeaderAndRecordRoundTripThroughTheirPinnedBytes) {
    const MipHeader mip{0x04030201, 0x08070605, 0x0C0B0A09, 0x100F0E0D, 0x14131211, 0x18171615};
    std::array<std::uint8_t, kTextureHeaderSize> headerBytes{};
    for (std::size_t i = 0; i < headerBytes.size(); ++i) {
        headerBytes[i] = static_cast<std::uint8_t>(i + 1);
    }
    EXPECT_EQ(encodeTextureHeader(mip), headerBytes);
    const MipHeader mipBack = decodeTextureHeader<MipHeader>(headerBytes);
    EXPECT_EQ(mipBack.heightMinus2, 0x100F0E0Du);
    EXPECT_EQ(mipBack.defaultColour, 0x18171615u);
    EXPECT_EQ(encodeTextureHeader(mipBack), headerBytes);

    // An MI4 header keeps its full height in the same word.
    const Mi4Header mi4 = decodeTextureHeader<Mi4Header>(headerBytes);
    EXPECT_EQ(mi4.width, 0x0C0B0A09u);
    EXPECT_EQ(mi4.height, 0x100F0E0Du);
    EXPECT_EQ(mi4.numMips, 0x14131211u);
    EXPECT_EQ(encodeTextureHeader(mi4), headerBytes);

    const TextureLevelRecord record{0x0000000F, 0xFFFFFFE0, 0x0000002C};
    const std::array<std::uint8_t, kLevelRecordSize> recordBytes{0x0F, 0,    0,    0, 0xE0, 0xFF,
                                                                 0xFF, 0xFF, 0x2C, 0, 0,    0};
    EXPECT_EQ(encodeLevelRecord(record), recordBytes);
    const TextureLevelRecord recordBack = decodeLevelRecord(recordBytes);
    EXPECT_EQ(recordBack.mipLevelInternal, record.mipLevelInternal);
    EXPECT_EQ(recordBack.magic, record.magic);
    EXPECT_EQ(recordBack.offset, record.offset);
}

}  // namespace
}  // namespace vexmor
