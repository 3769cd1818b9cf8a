#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/png_compression.h"

namespace vexmor::platform {

// Bytes that are all written before they are read, so never cleared first.
struct ByteBuffer {
    std::unique_ptr<std::uint8_t[]> bytes;
    std::size_t size = 0;

    explicit ByteBuffer(std::size_t count)
        : bytes(std::make_unique_for_overwrite<std::uint8_t[]>(count)), size(count) {}
    std::uint8_t* data() const { return bytes.get(); }
};

// The bytes a PNG's image data stream holds before compression: each row of `rows` (height
// rows of rowBytes) behind its filter-type byte, filtered with `filter`. `pixelBytes` is the
// distance to the byte the filters take as the left neighbour (1 for palette rows).
ByteBuffer filterRows(const std::vector<std::uint8_t>& rows, std::size_t rowBytes,
                      std::size_t height, std::size_t pixelBytes, PngFilter filter);

}  // namespace vexmor::platform
