#include "sunny_pcx.h"

#include "support/byte_writer.h"

namespace vexmor::sample {
namespace {

constexpr std::uint16_t kImageSize = 256;
constexpr std::uint16_t kSwatch = 16;
constexpr std::size_t kPcxHeaderSize = 128;

void writeHeader(test::ByteWriter& out) {
    out.u8(0x0A)  // manufacturer: ZSoft
        .u8(5)    // version 3.0 and later, with a 256-colour palette at the end
        .u8(1)    // run-length encoding
        .u8(8)    // bits per pixel
        .u16(0)
        .u16(0)
        .u16(kImageSize - 1)
        .u16(kImageSize - 1)
        .u16(72)
        .u16(72)
        .fill(48)  // the 16-colour header palette, unused with 8 bits per pixel
        .u8(0)
        .u8(1)  // one colour plane
        .u16(kImageSize)
        .u16(1)  // palette info: colour
        .u16(kImageSize)
        .u16(kImageSize);
    out.fill(kPcxHeaderSize - out.size());
}

// One scan line of swatches: a run per swatch. Runs are at most 63 long, and every byte goes
// through a run so that indices of 0xC0 and above need no special case.
void writeScanLine(test::ByteWriter& out, std::uint16_t row) {
    const std::uint8_t swatchRow = static_cast<std::uint8_t>(row / kSwatch);
    for (std::uint16_t column = 0; column < kImageSize / kSwatch; ++column) {
        out.u8(0xC0 | kSwatch).u8(static_cast<std::uint8_t>(swatchRow * kSwatch + column));
    }
}

}  // namespace

std::vector<std::uint8_t> buildSunnyPcx(const test::PaletteRgb& palette) {
    test::ByteWriter out;
    writeHeader(out);
    for (std::uint16_t row = 0; row < kImageSize; ++row) {
        writeScanLine(out, row);
    }
    out.bytes(test::buildPcx(palette, 0));
    return out.data();
}

}  // namespace vexmor::sample
