// The Windows decoder: images are read back through the Windows Imaging Component, the same
// component that wrote them, since the Windows build has no libpng.
#ifdef _WIN32
#include <windows.h>
// after windows.h, whose types it uses
#include <wincodec.h>

#include <cstring>

#include "support/png_reader.h"

namespace vexmor::test {
namespace {

// Decoded images larger than this are refused: no test writes one, and a damaged header must
// not make the reader allocate gigabytes.
constexpr std::uint64_t kMaxDecodedPixels = std::uint64_t{1} << 26;

template <typename Interface>
class Ref {
public:
    Ref() = default;
    ~Ref() {
        if (object_ != nullptr) {
            object_->Release();
        }
    }
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    Interface** out() { return &object_; }
    Interface* operator->() const { return object_; }
    Interface* get() const { return object_; }

private:
    Interface* object_ = nullptr;
};

struct ComScope {
    ComScope() { CoInitialize(nullptr); }
    ~ComScope() { CoUninitialize(); }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
};

struct StoredForm {
    GUID format;
    int colourType;
    int bitDepth;
};

// The PNG header's colour type and bit depth behind the decoder's pixel format.
void describeStoredForm(const WICPixelFormatGUID& format, DecodedPng& image) {
    const StoredForm forms[] = {
        {GUID_WICPixelFormat1bppIndexed, 3, 1}, {GUID_WICPixelFormat2bppIndexed, 3, 2},
        {GUID_WICPixelFormat4bppIndexed, 3, 4}, {GUID_WICPixelFormat8bppIndexed, 3, 8},
        {GUID_WICPixelFormat8bppGray, 0, 8},    {GUID_WICPixelFormat24bppBGR, 2, 8},
        {GUID_WICPixelFormat24bppRGB, 2, 8},    {GUID_WICPixelFormat48bppRGB, 2, 16},
        {GUID_WICPixelFormat32bppBGRA, 6, 8},   {GUID_WICPixelFormat32bppRGBA, 6, 8},
        {GUID_WICPixelFormat64bppRGBA, 6, 16},
    };
    for (const StoredForm& form : forms) {
        if (IsEqualGUID(format, form.format)) {
            image.colourType = form.colourType;
            image.bitDepth = form.bitDepth;
        }
    }
}

}  // namespace

std::optional<DecodedPng> decodePng(const std::filesystem::path& file) {
    const ComScope com;
    Ref<IWICImagingFactory> factory;
    Ref<IWICBitmapDecoder> decoder;
    Ref<IWICBitmapFrameDecode> frame;
    Ref<IWICFormatConverter> converter;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, reinterpret_cast<void**>(factory.out()))) ||
        FAILED(factory->CreateDecoderFromFilename(file.c_str(), nullptr, GENERIC_READ,
                                                  WICDecodeMetadataCacheOnDemand, decoder.out()))) {
        return std::nullopt;
    }
    GUID container{};
    UINT width = 0;
    UINT height = 0;
    WICPixelFormatGUID stored{};
    if (FAILED(decoder->GetContainerFormat(&container)) ||
        !IsEqualGUID(container, GUID_ContainerFormatPng) ||
        FAILED(decoder->GetFrame(0, frame.out())) || FAILED(frame->GetSize(&width, &height)) ||
        FAILED(frame->GetPixelFormat(&stored)) ||
        std::uint64_t{width} * height > kMaxDecodedPixels) {
        return std::nullopt;
    }
    DecodedPng image;
    image.width = width;
    image.height = height;
    describeStoredForm(stored, image);

    // Every form becomes blue, green, red, alpha bytes, the decoder's common form.
    image.pixels.resize(std::size_t{width} * height);
    if (FAILED(factory->CreateFormatConverter(converter.out())) ||
        FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGRA,
                                     WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom)) ||
        FAILED(converter->CopyPixels(nullptr, width * 4, width * height * 4,
                                     reinterpret_cast<BYTE*>(image.pixels.data())))) {
        return std::nullopt;
    }
    for (std::uint32_t& pixel : image.pixels) {
        std::uint8_t b[4];
        std::memcpy(b, &pixel, 4);
        pixel = std::uint32_t{b[2]} | std::uint32_t{b[1]} << 8 | std::uint32_t{b[0]} << 16 |
                std::uint32_t{b[3]} << 24;
    }
    return image;
}

}  // namespace vexmor::test

#endif  // _WIN32
