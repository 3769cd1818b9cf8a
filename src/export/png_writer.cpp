#include "export/png_writer.h"

#include <string_view>

#include "app/output_file.h"
#include "app/run_context.h"
#include "platform/png_backend.h"

namespace vexmor {
namespace {

constexpr std::string_view kFactoryFailed = "Could not instantiate class factory{:x}";
constexpr std::string_view kInvalidPixelFormat = "Invalid pixel format";
constexpr std::string_view kSaveFailed = "Could not save image. Error Code {:x}";

// An encoder's failure in the same lines on every platform, with the codes Windows gives.
void reportEncoderFailure(Console& console, const platform::PngResult& result) {
    using platform::PngOutcome;
    switch (result.outcome) {
        case PngOutcome::written:
            break;
        case PngOutcome::noImagingFactory:
            console.printLine(kFactoryFailed, result.code);
            break;
        case PngOutcome::pixelFormatRefused:
            console.printLine(kInvalidPixelFormat);
            console.printLine(kSaveFailed, result.code);
            break;
        case PngOutcome::saveFailed:
            console.printLine(kSaveFailed, result.code);
            break;
    }
}

}  // namespace

bool writePng(RunContext& context, const std::string& fileName, std::uint64_t width,
              std::uint64_t height, std::span<const std::uint32_t> pixels) {
    OutputFile file(context, fileName);
    if (!file.ready()) {
        return false;
    }
    const platform::PngResult encoded =
        platform::encodePngInto(file.wholeFile(), width, height, pixels);
    if (!encoded.written()) {
        reportEncoderFailure(context.console, encoded);
        context.writeFailed = true;  // the run ends as one that could not write
        return false;
    }
    return file.commit();
}

}  // namespace vexmor
