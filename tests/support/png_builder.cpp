#include "support/png_builder.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace vexmor::test {
namespace {

std::uint32_t crc32Of(std::span<const std::uint8_t> bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const std::uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

void appendBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

void appendChunk(std::vector<std::uint8_t>& out, std::string_view type,
                 std::span<const std::uint8_t> data) {
    appendBigEndian(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t typeStart = out.size();
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), data.begin(), data.end());
    appendBigEndian(out, crc32Of(std::span(out).subspan(typeStart)));
}

// A zlib stream of stored blocks, which every inflater takes.
std::vector<std::uint8_t> storedZlib(std::span<const std::uint8_t> data) {
    std::vector<std::uint8_t> out{0x78, 0x01};
    std::size_t at = 0;
    do {
        const std::size_t length = std::min<std::size_t>(65535, data.size() - at);
        const bool last = at + length == data.size();
        out.push_back(last ? 1 : 0);
        out.push_back(static_cast<std::uint8_t>(length));
        out.push_back(static_cast<std::uint8_t>(length >> 8));
        out.push_back(static_cast<std::uint8_t>(~length));
        out.push_back(static_cast<std::uint8_t>(~length >> 8));
        out.insert(out.end(), data.begin() + at, data.begin() + at + length);
        at += length;
    } while (at < data.size());
    std::uint32_t a = 1;
    std::uint32_t b = 0;
    for (const std::uint8_t byte : data) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    appendBigEndian(out, b << 16 | a);
    return out;
}

std::uint32_t channelsOf(std::uint8_t colourType) {
    switch (colourType) {
        case 2:
            return 3;
        case 4:
            return 2;
        case 6:
            return 4;
        default:
            return 1;
    }
}

}  // namespace

std::vector<std::uint8_t> buildPng(const PngLayout& layout) {
    std::vector<std::uint8_t> out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    appendBigEndian(header, layout.width);
    appendBigEndian(header, layout.height);
    header.insert(header.end(), {layout.bitDepth, layout.colourType, 0, 0, 0});
    appendChunk(out, "IHDR", header);
    if (!layout.palette.empty()) {
        appendChunk(out, "PLTE", layout.palette);
    }
    const std::size_t rowBytes =
        (std::size_t{layout.width} * channelsOf(layout.colourType) * layout.bitDepth + 7) / 8;
    std::vector<std::uint8_t> filtered;
    for (std::size_t y = 0; y < layout.height; ++y) {
        filtered.push_back(0);
        const std::size_t start = std::min(layout.samples.size(), y * rowBytes);
        const std::size_t end = std::min(layout.samples.size(), start + rowBytes);
        filtered.insert(filtered.end(), layout.samples.begin() + start,
                        layout.samples.begin() + end);
        filtered.resize(filtered.size() + rowBytes - (end - start), 0);
    }
    appendChunk(out, "IDAT", storedZlib(filtered));
    appendChunk(out, "IEND", {});
    return out;
}

std::vector<std::uint8_t> buildRgbPng(std::uint32_t width, std::uint32_t height,
                                      std::span<const std::uint32_t> colours) {
    PngLayout layout;
    layout.width = width;
    layout.height = height;
    for (std::size_t p = 0; p < std::size_t{width} * height && p < colours.size(); ++p) {
        layout.samples.insert(layout.samples.end(), {static_cast<std::uint8_t>(colours[p]),
                                                     static_cast<std::uint8_t>(colours[p] >> 8),
                                                     static_cast<std::uint8_t>(colours[p] >> 16)});
    }
    return buildPng(layout);
}

}  // namespace vexmor::test
