#include "platform/png_layout.h"

#include <array>
#include <utility>

namespace vexmor::platform {
namespace {

constexpr std::size_t kMaxPaletteColours = 256;
constexpr std::size_t kMaxNibbleColours = 16;

// Maps colours to palette indices by open addressing; twice as many slots as a palette can
// hold keeps probe chains short.
class ColourIndex {
public:
    // The colour's index, entering it when new; -1 once a 257th colour is met.
    int indexOf(std::uint32_t colour) {
        std::uint32_t slot = (colour * 0x9E3779B1u) >> (32 - kSlotBits);
        while (true) {
            const std::uint16_t entry = slots_[slot];
            if (entry == 0) {
                break;
            }
            if (palette_[entry - 1] == colour) {
                return entry - 1;
            }
            slot = (slot + 1) & (kSlots - 1);
        }
        if (count_ == kMaxPaletteColours) {
            return -1;
        }
        palette_[count_] = colour;
        slots_[slot] = static_cast<std::uint16_t>(++count_);
        return static_cast<int>(count_ - 1);
    }

    std::vector<std::uint32_t> palette() const {
        return {palette_.begin(), palette_.begin() + static_cast<std::ptrdiff_t>(count_)};
    }

private:
    static constexpr unsigned kSlotBits = 9;
    static constexpr std::uint32_t kSlots = 1u << kSlotBits;
    std::array<std::uint16_t, kSlots> slots_{};  // palette index + 1; 0 marks a free slot
    std::array<std::uint32_t, kMaxPaletteColours> palette_{};
    std::size_t count_ = 0;
};

// Fills `indices` with one palette index per pixel; false when there are more than 256 colours.
bool indexPixels(std::span<const std::uint32_t> pixels, ColourIndex& index,
                 std::vector<std::uint8_t>& indices) {
    // Textures hold long runs of one colour: the last lookup is remembered.
    std::uint32_t lastColour = pixels[0];
    int lastIndex = index.indexOf(lastColour);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        const std::uint32_t colour = pixels[i];
        if (colour != lastColour) {
            lastIndex = index.indexOf(colour);
            if (lastIndex < 0) {
                return false;
            }
            lastColour = colour;
        }
        indices[i] = static_cast<std::uint8_t>(lastIndex);
    }
    return true;
}

// Two indices a byte, the left pixel in the high nibble; an odd row ends with a zero nibble.
std::vector<std::uint8_t> packNibbles(const std::vector<std::uint8_t>& indices, std::uint32_t width,
                                      std::uint32_t height, std::size_t rowBytes) {
    std::vector<std::uint8_t> rows(rowBytes * height);
    for (std::size_t y = 0; y < height; ++y) {
        const std::uint8_t* in = indices.data() + y * width;
        std::uint8_t* out = rows.data() + y * rowBytes;
        std::size_t x = 0;
        for (; x + 1 < width; x += 2) {
            out[x / 2] = static_cast<std::uint8_t>(in[x] << 4 | in[x + 1]);
        }
        if (x < width) {
            out[x / 2] = static_cast<std::uint8_t>(in[x] << 4);
        }
    }
    return rows;
}

// A layout of these sizes with nothing laid out yet.
PngLayout emptyLayout(std::uint32_t width, std::uint32_t height) {
    PngLayout layout;
    layout.width = width;
    layout.height = height;
    return layout;
}

// The layout of an image whose pixels `index` gave `indices` (one per pixel, row by row).
void layOutPalette(PngLayout& layout, const ColourIndex& index, std::vector<std::uint8_t> indices) {
    layout.palette = index.palette();
    for (const std::uint32_t colour : layout.palette) {
        layout.paletteHasAlpha = layout.paletteHasAlpha || (colour >> 24) != 0xFF;
    }
    if (layout.palette.size() <= kMaxNibbleColours) {
        layout.form = PngColourForm::palette4;
        layout.rowBytes = (std::size_t{layout.width} + 1) / 2;
        layout.rows = packNibbles(indices, layout.width, layout.height, layout.rowBytes);
    } else {
        layout.form = PngColourForm::palette8;
        layout.rowBytes = layout.width;
        layout.rows = std::move(indices);
    }
}

void layOutSamples(PngLayout& layout, std::span<const std::uint32_t> pixels) {
    bool opaque = true;
    for (const std::uint32_t pixel : pixels) {
        opaque = opaque && (pixel >> 24) == 0xFF;
    }
    layout.form = opaque ? PngColourForm::rgb : PngColourForm::rgba;
    const std::size_t channels = opaque ? 3 : 4;
    layout.rowBytes = std::size_t{layout.width} * channels;
    layout.rows.resize(layout.rowBytes * layout.height);
    std::uint8_t* out = layout.rows.data();
    for (const std::uint32_t pixel : pixels) {
        out[0] = static_cast<std::uint8_t>(pixel);
        out[1] = static_cast<std::uint8_t>(pixel >> 8);
        out[2] = static_cast<std::uint8_t>(pixel >> 16);
        if (!opaque) {
            out[3] = static_cast<std::uint8_t>(pixel >> 24);
        }
        out += channels;
    }
}

}  // namespace

PngLayout layOutPng(std::uint32_t width, std::uint32_t height,
                    std::span<const std::uint32_t> pixels) {
    PngLayout layout = emptyLayout(width, height);
    pixels = pixels.first(std::size_t{width} * height);
    if (pixels.empty()) {
        return layout;
    }
    ColourIndex index;
    std::vector<std::uint8_t> indices(pixels.size());
    if (!indexPixels(pixels, index, indices)) {
        layOutSamples(layout, pixels);
        return layout;
    }
    layOutPalette(layout, index, std::move(indices));
    return layout;
}

PngLayout layOutIndexedPng(std::uint32_t width, std::uint32_t height,
                           std::span<const std::uint8_t> indices,
                           std::span<const std::uint32_t> palette) {
    PngLayout layout = emptyLayout(width, height);
    indices = indices.first(std::size_t{width} * height);
    if (indices.empty()) {
        return layout;
    }
    // Each source index is looked up once, when first met, so the file's palette comes out in
    // the order layOutPng gives the same pixels, with indices of one colour merged.
    constexpr std::int16_t kUnseen = -1;
    std::array<std::int16_t, kMaxPaletteColours> remap;
    remap.fill(kUnseen);
    ColourIndex index;
    std::vector<std::uint8_t> rows(indices.size());
    for (std::size_t i = 0; i < indices.size(); ++i) {
        std::int16_t& mapped = remap[indices[i]];
        if (mapped == kUnseen) {
            const std::uint32_t colour = indices[i] < palette.size() ? palette[indices[i]] : 0;
            mapped = static_cast<std::int16_t>(index.indexOf(colour));
        }
        rows[i] = static_cast<std::uint8_t>(mapped);
    }
    layOutPalette(layout, index, std::move(rows));
    return layout;
}

}  // namespace vexmor::platform
