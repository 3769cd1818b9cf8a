#include "platform/png_decoder.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <vector>

#include <fmt/format.h>

namespace vexmor::platform {
namespace {

// What the read callbacks share with the caller; plain data, as libpng leaves by longjmp.
struct ByteSource {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t position;
    bool ranOut;
    char message[128];
};

void readFromBytes(png_structp png, png_bytep out, std::size_t length) {
    auto* source = static_cast<ByteSource*>(png_get_io_ptr(png));
    if (length > source->size - source->position) {
        source->ranOut = true;
        png_error(png, "read past the end");
    }
    std::memcpy(out, source->data + source->position, length);
    source->position += length;
}

void keepMessageAndJump(png_structp png, png_const_charp message) {
    auto* source = static_cast<ByteSource*>(png_get_error_ptr(png));
    std::strncpy(source->message, message, sizeof(source->message) - 1);
    source->message[sizeof(source->message) - 1] = '\0';
    png_longjmp(png, 1);
}
void ignoreWarning(png_structp, png_const_charp) {}

class ReadStruct {
public:
    explicit ReadStruct(ByteSource* source) {
        png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, source, keepMessageAndJump,
                                      ignoreWarning);
        if (png_ != nullptr) {
            info_ = png_create_info_struct(png_);
        }
    }
    ~ReadStruct() { png_destroy_read_struct(&png_, &info_, nullptr); }
    ReadStruct(const ReadStruct&) = delete;
    ReadStruct& operator=(const ReadStruct&) = delete;

    bool valid() const { return info_ != nullptr; }
    png_structp png() const { return png_; }
    png_infop info() const { return info_; }

private:
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
};

// Reads the header and sets the transforms that turn every colour type into 8-bit RGB, alpha
// dropped and 16-bit samples cut to their high byte. No object with a destructor may live in
// this frame: libpng leaves it by longjmp.
bool readHeader(png_structp png, png_infop info, png_uint_32* width, png_uint_32* height) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_read_info(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_strip_alpha(png);
    png_set_gray_to_rgb(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    *width = png_get_image_width(png, info);
    *height = png_get_image_height(png, info);
    return png_get_rowbytes(png, info) == std::size_t{*width} * 3;
}

bool readRows(png_structp png, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_read_image(png, rows);
    return true;
}

PngDecodeResult failure(const ByteSource& source) {
    if (source.ranOut) {
        return {std::nullopt, std::string(kPngCutShort)};
    }
    return {std::nullopt, fmt::format(kPngDamaged, source.message)};
}

}  // namespace

PngDecodeResult decodePngBytes(std::span<const std::uint8_t> bytes) {
    ByteSource source{bytes.data(), bytes.size(), 0, false, "no detail"};
    ReadStruct reader(&source);
    if (!reader.valid()) {
        return {std::nullopt, fmt::format(kPngDamaged, "no memory for the decoder")};
    }
    png_set_read_fn(reader.png(), &source, readFromBytes);
    // The size was bounded before decoding; libpng's own default bound of a million rows or
    // columns would refuse narrow tall images that are within it.
    png_set_user_limits(reader.png(), PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    if (!readHeader(reader.png(), reader.info(), &width, &height)) {
        return failure(source);
    }
    PngImage image;
    image.width = width;
    image.height = height;
    image.rgb.resize(std::size_t{width} * height * 3);
    std::vector<png_bytep> rows(height);
    for (png_uint_32 y = 0; y < height; ++y) {
        rows[y] = image.rgb.data() + std::size_t{y} * width * 3;
    }
    if (!readRows(reader.png(), rows.data())) {
        return failure(source);
    }
    return {std::move(image), {}};
}

}  // namespace vexmor::platform
