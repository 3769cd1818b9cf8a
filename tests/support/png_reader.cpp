// The libpng decoder; the Windows build reads images through WIC (png_reader_windows.cpp).
#ifndef _WIN32
#include "support/png_reader.h"

#include <png.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>

namespace vexmor::test {
namespace {

// Decoded images larger than this are refused: no test writes one, and a damaged header must
// not make the reader allocate gigabytes.
constexpr std::uint64_t kMaxDecodedPixels = std::uint64_t{1} << 26;

struct MemorySource {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t position;
};

void readFromMemory(png_structp png, png_bytep target, std::size_t length) {
    auto* source = static_cast<MemorySource*>(png_get_io_ptr(png));
    if (length > source->size - source->position) {
        png_error(png, "file ends early");
    }
    std::memcpy(target, source->data + source->position, length);
    source->position += length;
}

void jumpOnError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void ignoreWarning(png_structp, png_const_charp) {}

struct Header {
    png_uint_32 width;
    png_uint_32 height;
    int colourType;
    int bitDepth;
};

// libpng leaves the next two functions by longjmp on errors: no object with a destructor may
// live in their frames.
bool readHeader(png_structp png, png_infop info, Header* header) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_read_info(png, info);
    header->width = png_get_image_width(png, info);
    header->height = png_get_image_height(png, info);
    header->colourType = png_get_color_type(png, info);
    header->bitDepth = png_get_bit_depth(png, info);
    // Every form becomes 8-bit red, green, blue, alpha.
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return png_get_rowbytes(png, info) == std::size_t{header->width} * 4;
}

bool readRows(png_structp png, png_infop info, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_read_image(png, rows);
    png_read_end(png, info);
    return true;
}

struct ReadStruct {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ReadStruct() {
        png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, jumpOnError, ignoreWarning);
        if (png != nullptr) {
            info = png_create_info_struct(png);
        }
    }
    ~ReadStruct() { png_destroy_read_struct(&png, &info, nullptr); }
    ReadStruct(const ReadStruct&) = delete;
    ReadStruct& operator=(const ReadStruct&) = delete;
};

}  // namespace

std::optional<DecodedPng> decodePng(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    if (bytes.size() < 8 || png_sig_cmp(bytes.data(), 0, 8) != 0) {
        return std::nullopt;
    }
    ReadStruct reader;
    if (reader.info == nullptr) {
        return std::nullopt;
    }
    MemorySource source{bytes.data(), bytes.size(), 0};
    png_set_read_fn(reader.png, &source, readFromMemory);
    png_set_user_limits(reader.png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);  // kMaxDecodedPixels bounds
    png_set_crc_action(reader.png, PNG_CRC_ERROR_QUIT, PNG_CRC_ERROR_QUIT);

    Header header{};
    if (!readHeader(reader.png, reader.info, &header) ||
        std::uint64_t{header.width} * header.height > kMaxDecodedPixels) {
        return std::nullopt;
    }
    DecodedPng image;
    image.width = header.width;
    image.height = header.height;
    image.colourType = header.colourType;
    image.bitDepth = header.bitDepth;
    image.pixels.resize(std::size_t{header.width} * header.height);
    std::vector<png_bytep> rows(header.height);
    for (std::size_t y = 0; y < rows.size(); ++y) {
        rows[y] = reinterpret_cast<png_bytep>(image.pixels.data() + y * header.width);
    }
    if (!readRows(reader.png, reader.info, rows.data())) {
        return std::nullopt;
    }
    // Rows hold the bytes red, green, blue, alpha; assemble the values so the result does not
    // depend on the machine's byte order.
    for (std::uint32_t& pixel : image.pixels) {
        std::uint8_t b[4];
        std::memcpy(b, &pixel, 4);
        pixel = std::uint32_t{b[0]} | std::uint32_t{b[1]} << 8 | std::uint32_t{b[2]} << 16 |
                std::uint32_t{b[3]} << 24;
    }
    return image;
}

}  // namespace vexmor::test

#endif  // _WIN32
