#include <windows.h>
// after windows.h, whose types it uses
#include <wincodec.h>

#include <cstdint>
#include <string_view>
#include <vector>

#include <fmt/format.h>

#include "platform/png_decoder.h"
#include "platform/windows/com_ref.h"
#include "platform/windows/wic_guids.h"

// PNG images read through the Windows Imaging Component, the system's own decoder, as they are
// written through its encoder.
namespace vexmor::platform {
namespace {

using windows::ComRef;

constexpr std::string_view kWicFailed = "the system's decoder gives error {:x}";

// The 16-bit forms keep their own samples, little-endian words, so that each channel's high
// byte is taken as it is; every other form is converted to 8-bit blue, green, red, alpha.
struct SampleForm {
    GUID format;
    std::uint32_t channels;  // 16-bit words a pixel; 0 for the converted form
};

PngDecodeResult failed(HRESULT result) {
    return {std::nullopt,
            fmt::format(kPngDamaged, fmt::format(kWicFailed, static_cast<std::uint32_t>(result)))};
}

std::uint32_t wideChannels(const WICPixelFormatGUID& format) {
    const SampleForm forms[] = {{windows::kPixelFormat16bppGray, 1},
                                {windows::kPixelFormat48bppRgb, 3},
                                {windows::kPixelFormat64bppRgba, 4}};
    for (const SampleForm& form : forms) {
        if (IsEqualGUID(format, form.format)) {
            return form.channels;
        }
    }
    return 0;
}

// Native 16-bit samples: the high byte of each channel, grey repeated into all three.
HRESULT copyWideSamples(IWICBitmapFrameDecode* frame, std::uint32_t channels, PngImage& image) {
    const std::size_t pixels = std::size_t{image.width} * image.height;
    std::vector<std::uint16_t> samples(pixels * channels);
    const HRESULT result = frame->CopyPixels(nullptr, image.width * channels * 2,
                                             static_cast<UINT>(samples.size() * 2),
                                             reinterpret_cast<BYTE*>(samples.data()));
    for (std::size_t p = 0; SUCCEEDED(result) && p < pixels; ++p) {
        for (std::size_t c = 0; c < 3; ++c) {
            const std::uint16_t sample = samples[p * channels + (channels == 1 ? 0 : c)];
            image.rgb[3 * p + c] = static_cast<std::uint8_t>(sample >> 8);
        }
    }
    return result;
}

HRESULT copyConverted(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame, PngImage& image) {
    ComRef<IWICFormatConverter> converter;
    const std::size_t pixels = std::size_t{image.width} * image.height;
    std::vector<std::uint8_t> bgra(pixels * 4);
    HRESULT result = factory->CreateFormatConverter(converter.out());
    if (SUCCEEDED(result)) {
        result =
            converter->Initialize(frame, windows::kPixelFormat32bppBgra, WICBitmapDitherTypeNone,
                                  nullptr, 0.0, WICBitmapPaletteTypeCustom);
    }
    if (SUCCEEDED(result)) {
        result = converter->CopyPixels(nullptr, image.width * 4, static_cast<UINT>(bgra.size()),
                                       bgra.data());
    }
    for (std::size_t p = 0; SUCCEEDED(result) && p < pixels; ++p) {
        image.rgb[3 * p] = bgra[4 * p + 2];
        image.rgb[3 * p + 1] = bgra[4 * p + 1];
        image.rgb[3 * p + 2] = bgra[4 * p];
    }
    return result;
}

}  // namespace

PngDecodeResult decodePngBytes(std::span<const std::uint8_t> bytes) {
    const windows::ComScope com;
    ComRef<IWICImagingFactory> factory;
    ComRef<IWICStream> stream;
    ComRef<IWICBitmapDecoder> decoder;
    ComRef<IWICBitmapFrameDecode> frame;
    HRESULT result = CoCreateInstance(windows::kWicImagingFactory2, nullptr, CLSCTX_INPROC_SERVER,
                                      windows::kWicImagingFactoryInterface,
                                      reinterpret_cast<void**>(factory.out()));
    if (SUCCEEDED(result)) {
        result = factory->CreateStream(stream.out());
    }
    if (SUCCEEDED(result)) {
        // The stream only reads the bytes.
        result = stream->InitializeFromMemory(const_cast<BYTE*>(bytes.data()),
                                              static_cast<DWORD>(bytes.size()));
    }
    if (SUCCEEDED(result)) {
        result = factory->CreateDecoderFromStream(stream.get(), nullptr,
                                                  WICDecodeMetadataCacheOnDemand, decoder.out());
    }
    if (SUCCEEDED(result)) {
        result = decoder->GetFrame(0, frame.out());
    }
    UINT width = 0;
    UINT height = 0;
    WICPixelFormatGUID format{};
    if (SUCCEEDED(result)) {
        result = frame->GetSize(&width, &height);
    }
    if (SUCCEEDED(result)) {
        result = frame->GetPixelFormat(&format);
    }
    if (FAILED(result)) {
        return failed(result);
    }
    PngImage image;
    image.width = width;
    image.height = height;
    image.rgb.resize(std::size_t{width} * height * 3);
    const std::uint32_t channels = wideChannels(format);
    result = channels != 0 ? copyWideSamples(frame.get(), channels, image)
                           : copyConverted(factory.get(), frame.get(), image);
    if (FAILED(result)) {
        return failed(result);
    }
    return {std::move(image), {}};
}

}  // namespace vexmor::platform
