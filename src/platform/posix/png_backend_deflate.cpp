#include <fcntl.h>
#include <libdeflate.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "platform/folder_index.h"
#include "platform/png_backend.h"
#include "platform/png_compression.h"
#include "platform/png_filter.h"
#include "platform/png_layout.h"
#include "platform/whole_file.h"

// The POSIX PNG encoder: rows laid out and filtered here, the image data compressed with
// libdeflate, and the file's chunks written by hand (signature, IHDR, PLTE, tRNS, IDAT, IEND).
// The whole file is built in memory and written with one call.
namespace vexmor::platform {
namespace {

// Failures are reported with the codes Windows gives for them.
constexpr std::uint32_t kInvalidArgument = 0x80070057;  // E_INVALIDARG
constexpr std::uint32_t kPathNotFound = 0x80070003;     // from ERROR_PATH_NOT_FOUND
constexpr std::uint32_t kAccessDenied = 0x80070005;     // from ERROR_ACCESS_DENIED
constexpr std::uint32_t kDiskFull = 0x80070070;         // from ERROR_DISK_FULL
constexpr std::uint32_t kUnspecified = 0x80004005;      // E_FAIL

// The format's largest dimension, and the largest chunk this writer makes (the format allows
// 2^31 - 1 bytes).
constexpr std::uint64_t kMaxDimension = 0x7FFFFFFF;
constexpr std::size_t kMaxChunkData = std::size_t{1} << 30;

constexpr std::array<std::uint8_t, 8> kSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::uint8_t kColourTypePalette = 3;
constexpr std::uint8_t kColourTypeRgb = 2;
constexpr std::uint8_t kColourTypeRgba = 6;

std::uint32_t codeForSystemError(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return kPathNotFound;
        case EACCES:
        case EISDIR:  // Windows denies access to a folder opened as a file
        case EPERM:
        case EROFS:
            return kAccessDenied;
        case ENOSPC:
        case EFBIG:  // a file-size limit leaves no room for the rest of the file, as a full disk
            return kDiskFull;
        default:
            return kUnspecified;
    }
}

PngResult saveFailure(std::uint32_t code) {
    return {PngOutcome::saveFailed, code};
}

struct CompressorFree {
    void operator()(libdeflate_compressor* compressor) const {
        libdeflate_free_compressor(compressor);
    }
};
using Compressor = std::unique_ptr<libdeflate_compressor, CompressorFree>;

// A compressor holds several hundred KiB of tables: one is kept per level and thread.
libdeflate_compressor* compressorFor(int level) {
    thread_local std::array<Compressor, 13> compressors;
    if (level < 1 || level >= static_cast<int>(compressors.size())) {
        return nullptr;
    }
    Compressor& kept = compressors[static_cast<std::size_t>(level)];
    if (!kept) {
        kept.reset(libdeflate_alloc_compressor(level));
    }
    return kept.get();
}

void putWord(std::vector<std::uint8_t>& out, std::uint32_t word) {
    out.push_back(static_cast<std::uint8_t>(word >> 24));
    out.push_back(static_cast<std::uint8_t>(word >> 16));
    out.push_back(static_cast<std::uint8_t>(word >> 8));
    out.push_back(static_cast<std::uint8_t>(word));
}

// Appends one chunk: length, type, data and the CRC of type and data.
void putChunk(std::vector<std::uint8_t>& out, std::string_view type, const std::uint8_t* data,
              std::size_t size) {
    putWord(out, static_cast<std::uint32_t>(size));
    const std::size_t typeAt = out.size();
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), data, data + size);
    putWord(out, libdeflate_crc32(0, out.data() + typeAt, type.size() + size));
}

std::vector<std::uint8_t> headerData(const PngLayout& layout) {
    std::vector<std::uint8_t> data;
    putWord(data, layout.width);
    putWord(data, layout.height);
    const bool palette = !layout.palette.empty();
    data.push_back(layout.form == PngColourForm::palette4 ? 4 : 8);
    data.push_back(palette                             ? kColourTypePalette
                   : layout.form == PngColourForm::rgb ? kColourTypeRgb
                                                       : kColourTypeRgba);
    data.insert(data.end(), {0, 0, 0});  // deflate, filter method 0, no interlace
    return data;
}

void putPalette(std::vector<std::uint8_t>& out, const PngLayout& layout) {
    std::vector<std::uint8_t> colours;
    std::vector<std::uint8_t> alphas;
    for (const std::uint32_t colour : layout.palette) {
        colours.insert(colours.end(),
                       {static_cast<std::uint8_t>(colour), static_cast<std::uint8_t>(colour >> 8),
                        static_cast<std::uint8_t>(colour >> 16)});
        alphas.push_back(static_cast<std::uint8_t>(colour >> 24));
    }
    putChunk(out, "PLTE", colours.data(), colours.size());
    if (layout.paletteHasAlpha) {
        putChunk(out, "tRNS", alphas.data(), alphas.size());
    }
}

std::size_t pixelBytesOf(PngColourForm form) {
    switch (form) {
        case PngColourForm::rgb:
            return 3;
        case PngColourForm::rgba:
            return 4;
        case PngColourForm::palette4:
        case PngColourForm::palette8:
            break;
    }
    return 1;
}

// The whole file's bytes; empty when compression failed.
std::vector<std::uint8_t> encodeFile(const PngLayout& layout, const PngCompression& compression) {
    const bool palette = !layout.palette.empty();
    const ByteBuffer stream =
        filterRows(layout.rows, layout.rowBytes, layout.height, pixelBytesOf(layout.form),
                   palette ? compression.paletteFilter : compression.samplesFilter);
    libdeflate_compressor* compressor = compressorFor(compression.level);
    if (compressor == nullptr) {
        return {};
    }
    const ByteBuffer compressed(libdeflate_zlib_compress_bound(compressor, stream.size));
    const std::size_t compressedSize = libdeflate_zlib_compress(
        compressor, stream.data(), stream.size, compressed.data(), compressed.size);
    if (compressedSize == 0) {
        return {};
    }

    std::vector<std::uint8_t> file(kSignature.begin(), kSignature.end());
    file.reserve(compressedSize + 4 * layout.palette.size() + 128);
    const std::vector<std::uint8_t> header = headerData(layout);
    putChunk(file, "IHDR", header.data(), header.size());
    if (palette) {
        putPalette(file, layout);
    }
    for (std::size_t at = 0; at < compressedSize; at += kMaxChunkData) {
        putChunk(file, "IDAT", compressed.data() + at,
                 std::min(kMaxChunkData, compressedSize - at));
    }
    putChunk(file, "IEND", nullptr, 0);
    return file;
}

// Whether the sizes are within the format's and `count` values hold every pixel: checked before
// anything is read or written.
bool sizesFit(std::uint64_t width, std::uint64_t height, std::size_t count) {
    return width != 0 && height != 0 && width <= kMaxDimension && height <= kMaxDimension &&
           count / width >= height;
}

// The file bytes of the layout `layOut` gives, when the sizes fit `count` values. Empty when a
// failure stops them; `result` then says why.
template <typename LayOut>
std::vector<std::uint8_t> encodeLaidOut(std::uint64_t width, std::uint64_t height,
                                        std::size_t count, const LayOut& layOut,
                                        const PngCompression& compression, PngResult& result) {
    if (!sizesFit(width, height, count)) {
        result = saveFailure(kInvalidArgument);
        return {};
    }
    std::vector<std::uint8_t> bytes = encodeFile(
        layOut(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height)), compression);
    result = bytes.empty() ? saveFailure(kUnspecified) : PngResult{};
    return bytes;
}

std::vector<std::uint8_t> encodeChecked(std::uint64_t width, std::uint64_t height,
                                        std::span<const std::uint32_t> pixels,
                                        const PngCompression& compression, PngResult& result) {
    const auto layOut = [pixels](std::uint32_t w, std::uint32_t h) {
        return layOutPng(w, h, pixels);
    };
    return encodeLaidOut(width, height, pixels.size(), layOut, compression, result);
}

PngResult resultOf(const std::error_code& written) {
    return written ? saveFailure(codeForSystemError(written.value())) : PngResult{};
}

}  // namespace

PngCompression defaultPngCompression() {
    // Measured on the 1,265 levels of 400 sample track textures (writerSettings in
    // bench/explode_peer_bench.cpp): palette rows compress best unfiltered, as their indices
    // follow the order colours are first met, not shades (Up, Paeth and a filter chosen per row
    // all gave 4-10 % larger files). Level 1 takes 8 % less time than level 3 for files 4 %
    // larger, and a whole explode ends 8 % sooner; its images are still 43 % smaller than those
    // libpng writes at its defaults as RGBA. Level 6 writes 9 % smaller files than level 1 in
    // nearly half as much time again. Sample rows (bench/png_writer_bench.cpp) gain 13 % from
    // Paeth, as much as from a filter chosen per row.
    return {1, PngFilter::none, PngFilter::paeth};
}

PngResult encodePngFileWith(const std::string& fileName, std::uint64_t width, std::uint64_t height,
                            std::span<const std::uint32_t> pixels,
                            const PngCompression& compression) {
    PngResult result;
    const std::vector<std::uint8_t> bytes =
        encodeChecked(width, height, pixels, compression, result);
    if (!result.written()) {
        return result;
    }
    // A file named directly may hold an older image: it is made empty first.
    const std::filesystem::path path = nativePath(fileName);
    const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (file < 0 || ::close(file) != 0) {
        return saveFailure(codeForSystemError(errno));
    }
    noteEntryCreated(path);
    std::intptr_t notOpen = -1;
    return resultOf(detail::writeContents(notOpen, path, bytes));
}

PngResult encodePngFile(const std::string& fileName, std::uint64_t width, std::uint64_t height,
                        std::span<const std::uint32_t> pixels) {
    return encodePngFileWith(fileName, width, height, pixels, defaultPngCompression());
}

EncodedPng encodePng(std::uint64_t width, std::uint64_t height,
                     std::span<const std::uint32_t> pixels) {
    EncodedPng encoded;
    encoded.bytes = encodeChecked(width, height, pixels, defaultPngCompression(), encoded.result);
    return encoded;
}

EncodedPng encodeIndexedPng(std::uint64_t width, std::uint64_t height,
                            std::span<const std::uint8_t> indices,
                            std::span<const std::uint32_t> palette) {
    const auto layOut = [indices, palette](std::uint32_t w, std::uint32_t h) {
        return layOutIndexedPng(w, h, indices, palette);
    };
    EncodedPng encoded;
    encoded.bytes = encodeLaidOut(width, height, indices.size(), layOut, defaultPngCompression(),
                                  encoded.result);
    return encoded;
}

PngResult writeEncodedInto(WholeFile& file, const EncodedPng& encoded) {
    // The temporary file is new and empty: written with one call, and not truncated again, as on
    // ext4 a truncation makes the close start writing the file to disk.
    return encoded.result.written() ? resultOf(file.write(encoded.bytes)) : encoded.result;
}

PngResult encodePngInto(WholeFile& file, std::uint64_t width, std::uint64_t height,
                        std::span<const std::uint32_t> pixels) {
    return writeEncodedInto(file, encodePng(width, height, pixels));
}

PngResult encodeIndexedPngInto(WholeFile& file, std::uint64_t width, std::uint64_t height,
                               std::span<const std::uint8_t> indices,
                               std::span<const std::uint32_t> palette) {
    return writeEncodedInto(file, encodeIndexedPng(width, height, indices, palette));
}

}  // namespace vexmor::platform
