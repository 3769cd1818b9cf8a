#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vexmor::platform {

// How an encoding ended. Failures carry the code Windows gives for them (an HRESULT); the POSIX
// encoder gives the same codes for the same causes.
enum class PngOutcome {
    written,
    saveFailed,          // nothing usable was written: `code` says why
    pixelFormatRefused,  // the encoder would not take 32-bit BGRA pixels; `code` is E_INVALIDARG
    noImagingFactory,    // the system's imaging component could not be had (Windows only)
};

struct PngResult {
    PngOutcome outcome = PngOutcome::written;
    std::uint32_t code = 0;

    bool written() const { return outcome == PngOutcome::written; }
};

class WholeFile;

// An image encoded ahead of its file: the file's bytes, or why there are none.
struct EncodedPng {
    std::vector<std::uint8_t> bytes;
    PngResult result;
};

// Whether images are encoded in memory: then one thread can encode an image while another makes
// the file of an earlier one. The Windows system encoder writes into the file itself.
#ifdef _WIN32
inline constexpr bool kEncodesInMemory = false;
#else
inline constexpr bool kEncodesInMemory = true;
#endif

// The platform's PNG encoder. Pixels are 0xAABBGGRR. It prints nothing: the caller reports a
// failure it returns.
PngResult encodePngFile(const std::string& fileName, std::uint64_t width, std::uint64_t height,
                        std::span<const std::uint32_t> pixels);

// The same encoder writing into a whole file's new, empty temporary file (which it does not
// commit).
PngResult encodePngInto(WholeFile& file, std::uint64_t width, std::uint64_t height,
                        std::span<const std::uint32_t> pixels);

// The same for width × height palette indices: index i shows `palette[i]`, an index past the
// palette's end 0. The file's bytes are those the pixels shown would give.
PngResult encodeIndexedPngInto(WholeFile& file, std::uint64_t width, std::uint64_t height,
                               std::span<const std::uint8_t> indices,
                               std::span<const std::uint32_t> palette);

// Where kEncodesInMemory, encodePngInto and encodeIndexedPngInto in two steps: encoding, which
// touches no file, and writing the bytes into a whole file's new, empty temporary file. A failed
// encoding is written as nothing and its result returned.
EncodedPng encodePng(std::uint64_t width, std::uint64_t height,
                     std::span<const std::uint32_t> pixels);
EncodedPng encodeIndexedPng(std::uint64_t width, std::uint64_t height,
                            std::span<const std::uint8_t> indices,
                            std::span<const std::uint32_t> palette);
PngResult writeEncodedInto(WholeFile& file, const EncodedPng& encoded);

}  // namespace vexmor::platform
