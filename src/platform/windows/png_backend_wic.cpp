#include <windows.h>
// after windows.h, whose types it uses
#include <wincodec.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

#include "platform/png_backend.h"
#include "platform/whole_file.h"
#include "platform/windows/code_page.h"
#include "platform/windows/com_ref.h"
#include "platform/windows/wic_guids.h"

// PNG images through the Windows Imaging Component, the system's own encoder.
namespace vexmor::platform {
namespace {

using windows::ComRef;

std::uint32_t codeOf(HRESULT result) {
    return static_cast<std::uint32_t>(result);
}

PngResult resultOf(HRESULT result) {
    if (SUCCEEDED(result)) {
        return {};
    }
    return {PngOutcome::saveFailed, codeOf(result)};
}

// The pixels with red and blue exchanged: 0xAABBGGRR becomes 0xAARRGGBB, whose bytes in memory
// are blue, green, red, alpha as the encoder takes them.
std::vector<std::uint32_t> bgraCopy(std::span<const std::uint32_t> pixels) {
    std::vector<std::uint32_t> converted(pixels.begin(), pixels.end());
    for (std::uint32_t& pixel : converted) {
        pixel = (pixel & 0xFF00FF00u) | (pixel & 0xFFu) << 16 | (pixel >> 16 & 0xFFu);
    }
    return converted;
}

struct FrameJob {
    const wchar_t* fileName;
    UINT width;
    UINT height;
    UINT stride;
    UINT bufferBytes;
    BYTE* pixels;
};

// Stream, encoder, frame and its property bag, each step only after the earlier ones
// succeeded. They are released when this returns: the frame, the bag, the encoder, the stream.
PngResult encodeFrame(IWICImagingFactory* factory, const FrameJob& job) {
    ComRef<IWICStream> stream;
    ComRef<IWICBitmapEncoder> encoder;
    ComRef<IPropertyBag2> options;
    ComRef<IWICBitmapFrameEncode> frame;

    HRESULT result = factory->CreateStream(stream.out());
    if (SUCCEEDED(result)) {
        result = stream->InitializeFromFilename(job.fileName, GENERIC_WRITE);
    }
    if (SUCCEEDED(result)) {
        result = factory->CreateEncoder(windows::kPngContainer, nullptr, encoder.out());
    }
    if (SUCCEEDED(result)) {
        result = encoder->Initialize(stream.get(), WICBitmapEncoderNoCache);
    }
    if (SUCCEEDED(result)) {
        result = encoder->CreateNewFrame(frame.out(), options.out());
    }
    if (SUCCEEDED(result)) {
        result = frame->Initialize(options.get());
    }
    if (SUCCEEDED(result)) {
        result = frame->SetSize(job.width, job.height);
    }
    if (SUCCEEDED(result)) {
        WICPixelFormatGUID format = windows::kPixelFormat32bppBgra;
        result = frame->SetPixelFormat(&format);
        if (SUCCEEDED(result) && !IsEqualGUID(format, windows::kPixelFormat32bppBgra)) {
            return {PngOutcome::pixelFormatRefused, codeOf(E_INVALIDARG)};
        }
    }
    if (SUCCEEDED(result)) {
        result = frame->WritePixels(job.height, job.stride, job.bufferBytes, job.pixels);
    }
    if (SUCCEEDED(result)) {
        result = frame->Commit();
    }
    if (SUCCEEDED(result)) {
        result = encoder->Commit();
    }
    return resultOf(result);
}

// One image's whole use of COM, from CoInitialize to CoUninitialize.
PngResult encodeWithWic(const FrameJob& job) {
    const windows::ComScope com;  // uninitialises after every object below is released
    ComRef<IWICImagingFactory> factory;
    const HRESULT created = CoCreateInstance(
        windows::kWicImagingFactory2, nullptr, CLSCTX_INPROC_SERVER,
        windows::kWicImagingFactoryInterface, reinterpret_cast<void**>(factory.out()));
    if (FAILED(created)) {
        return {PngOutcome::noImagingFactory, codeOf(created)};
    }
    return encodeFrame(factory.get(), job);
}

}  // namespace

PngResult encodePngFile(const std::string& fileName, std::uint64_t width, std::uint64_t height,
                        std::span<const std::uint32_t> pixels) {
    // Checked before anything is written: the span must hold every pixel, and the sizes must
    // reach the encoder as 32-bit numbers without being cut.
    constexpr std::uint64_t kMaxBytes = std::numeric_limits<UINT>::max();
    if (width == 0 || height == 0 || width > kMaxBytes / 4 || height > kMaxBytes / (width * 4) ||
        pixels.size() / width < height) {
        return resultOf(E_INVALIDARG);
    }
    std::vector<std::uint32_t> converted = bgraCopy(pixels.first(width * height));
    const std::wstring wideName = windows::wideFromCodePage(fileName);
    const FrameJob job{wideName.c_str(),
                       static_cast<UINT>(width),
                       static_cast<UINT>(height),
                       static_cast<UINT>(width * 4),
                       static_cast<UINT>(width * 4 * height),
                       reinterpret_cast<BYTE*>(converted.data())};
    return encodeWithWic(job);
}

PngResult encodePngInto(WholeFile& file, std::uint64_t width, std::uint64_t height,
                        std::span<const std::uint32_t> pixels) {
    return encodePngFile(file.temporaryPathText(), width, height, pixels);
}

PngResult encodeIndexedPngInto(WholeFile& file, std::uint64_t width, std::uint64_t height,
                               std::span<const std::uint8_t> indices,
                               std::span<const std::uint32_t> palette) {
    // The system's encoder takes pixels: the indices are shown through the palette first.
    std::vector<std::uint32_t> pixels(indices.size());
    std::transform(indices.begin(), indices.end(), pixels.begin(), [palette](std::uint8_t index) {
        return index < palette.size() ? palette[index] : 0;
    });
    return encodePngInto(file, width, height, pixels);
}

}  // namespace vexmor::platform
