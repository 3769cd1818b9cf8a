#include "mip_texture.h"

#include <stdexcept>
#include <system_error>

#include "texture/mi4_file.h"
#include "texture/mip_file.h"

namespace vexmor::sample {

std::uint64_t mipFileSize(const MipTexture& texture) {
    MipHeader header;
    header.width = texture.width;
    header.heightMinus2 = texture.heightMinus2;
    std::uint64_t size = kTextureHeaderSize + kLevelRecordSize * std::uint64_t{texture.numMips};
    for (std::uint32_t i = 0; i < texture.numMips; ++i) {
        size += levelByteCount(header, i);
    }
    return size;
}

void writeMipTexture(RunContext& context, const MipTexture& texture,
                     const test::PaletteRgb& palette) {
    MipImage image;
    image.width = texture.width;
    image.height = texture.heightMinus2 + 2;
    image.header.width = texture.width;
    image.header.heightMinus2 = texture.heightMinus2;
    image.header.numMips = texture.numMips;
    // The colour of the texture's main shade, as the game's tools fill the word.
    image.header.defaultColour =
        test::paletteColour(palette, paletteIndex(texture.look.primary, 8));
    for (std::uint32_t i = 0; i < texture.numMips; ++i) {
        MipLevelRecord record;
        record.mipLevelInternal = lowBitMask(texture.numMips - i);
        record.magic = ~(2 * record.mipLevelInternal + 1);
        image.levelRecords.push_back(record);
        image.levels.push_back(renderLevel(texture.look, levelWidth(texture.width, i),
                                           levelHeight(texture.heightMinus2, i)));
    }
    const std::string path = texture.path.string();
    writeMip(context, image, path);

    std::error_code error;
    const std::uintmax_t written = std::filesystem::file_size(texture.path, error);
    if (error || written != mipFileSize(texture)) {
        throw std::runtime_error("could not write " + path);
    }
}

}  // namespace vexmor::sample
