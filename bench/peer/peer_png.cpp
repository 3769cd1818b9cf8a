#include "peer/peer_png.h"

#include <png.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace vexmor::bench {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// libpng leaves by longjmp on errors: nothing with a destructor lives in this frame.
bool writeRows(png_structp png, png_infop info, std::FILE* file, std::uint32_t width,
               std::uint32_t height, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_rows(png, info, rows);
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    return true;
}

}  // namespace

bool writePeerPng(const std::filesystem::path& file, std::uint32_t width, std::uint32_t height,
                  std::span<const std::uint32_t> pixels) {
    // 0xAABBGGRR in little-endian memory is the byte order R, G, B, A that RGBA rows hold.
    std::vector<png_bytep> rows(height);
    for (std::uint32_t y = 0; y < height; ++y) {
        rows[y] = reinterpret_cast<png_bytep>(const_cast<std::uint32_t*>(pixels.data()) +
                                              std::size_t{y} * width);
    }
    const std::unique_ptr<std::FILE, FileCloser> out(std::fopen(file.c_str(), "wb"));
    if (!out) {
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    const bool written =
        info != nullptr && writeRows(png, info, out.get(), width, height, rows.data());
    png_destroy_write_struct(&png, &info);
    return written;
}

}  // namespace vexmor::bench
