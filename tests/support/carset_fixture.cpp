#include "support/carset_fixture.h"

#include "support/temp_dir.h"

namespace vexmor::test {

std::vector<CarsetTexture> smallCarsetTextures() {
    MipSpec body = mipSpec(64, 30, 3);
    MipSpec wheel = mipSpec(32, 14, 2);
    wheel.pixel = [](std::uint32_t level, std::uint32_t x, std::uint32_t y) {
        return static_cast<std::uint8_t>((x / 4 + y / 4) % 2 == 0 ? 5 + level : 200);
    };
    MipSpec deep = mipSpec(16, 6, 1);
    return {{"Body.MIP", body}, {"Parts/Wheel.mip", wheel}, {"Parts/Deep/Inner/Nut.mip", deep}};
}

void writeCarset(const std::filesystem::path& root, const std::vector<CarsetTexture>& textures,
                 bool withPalette) {
    std::filesystem::create_directories(root);
    if (withPalette) {
        writeFile(root / "Sunny.pcx", buildPcx(gradientPalette()));
    }
    for (const CarsetTexture& texture : textures) {
        writeFile(root / texture.relative, buildMip(texture.shape));
    }
}

}  // namespace vexmor::test
