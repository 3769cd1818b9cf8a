#include "export/png_writer.h"

#include <algorithm>
#include <exception>
#include <functional>
#include <memory>
#include <string_view>
#include <utility>

#include "app/output_guard.h"
#include "app/run_context.h"
#include "app/write_failure.h"
#include "common/text.h"
#include "platform/png_backend.h"
#include "platform/whole_file.h"

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

// How writing one image ended: the file's own failure (made, renamed into place) with the
// system's reason, or the encoder's.
struct ImageOutcome {
    std::string fileFailure;
    platform::PngResult encoded;
};

// The part of writing an image that may run on another thread: it touches only the file system.
// `encode` writes the image into the new file.
template <typename Encode>
ImageOutcome writeImageFile(const std::string& fileName, const Encode& encode) {
    platform::WholeFile file(fileName);
    if (!file.ready()) {
        return {file.failure(), {}};
    }
    const platform::PngResult encoded = encode(file);
    if (!encoded.written()) {
        return {{}, encoded};
    }
    return {file.commit(), encoded};
}

void reportImageOutcome(RunContext& context, const std::string& fileName,
                        const ImageOutcome& outcome) {
    if (!outcome.fileFailure.empty()) {
        reportWriteFailure(context, fileName, outcome.fileFailure);
    } else if (!outcome.encoded.written()) {
        reportEncoderFailure(context.console, outcome.encoded);
        context.writeFailed = true;  // the run ends as one that could not write
    }
}

// Checks at once that the file lies inside the output, then writes it as background work whose
// failure is reported where the image was asked for.
void startImage(RunContext& context, const std::string& fileName, std::uint64_t bytes,
                std::function<ImageOutcome()> write) {
    if (!mayWriteTo(context, fileName)) {
        return;
    }
    // Names that differ only in case or separators are one file to the path mapping: an image
    // named like one still being written waits for it, so that it finds that file made and
    // replaces it, as in a run that writes one image at a time.
    std::string key = toLowerAscii(fileName);
    std::replace(key.begin(), key.end(), '/', '\\');
    if (context.imagesUnderWay.contains(key)) {
        context.background.settle();
    }
    context.imagesUnderWay.insert(key);
    const auto outcome = std::make_shared<ImageOutcome>();
    context.background.start(
        [outcome, write = std::move(write)] {
            try {
                *outcome = write();
            } catch (const std::exception& error) {  // memory ran out: the file is not written
                outcome->fileFailure = error.what();
            }
        },
        [&context, outcome, fileName, key] {
            context.imagesUnderWay.erase(key);
            reportImageOutcome(context, fileName, *outcome);
        },
        bytes);
}

}  // namespace

void writePng(RunContext& context, const std::string& fileName, std::uint64_t width,
              std::uint64_t height, std::vector<std::uint32_t> pixels) {
    const std::uint64_t bytes = pixels.size() * sizeof(std::uint32_t);
    startImage(context, fileName, bytes, [fileName, width, height, pixels = std::move(pixels)] {
        return writeImageFile(fileName, [&](platform::WholeFile& file) {
            return platform::encodePngInto(file, width, height, pixels);
        });
    });
}

void writeIndexedPng(RunContext& context, const std::string& fileName, std::uint64_t width,
                     std::uint64_t height, std::vector<std::uint8_t> indices,
                     std::span<const std::uint32_t> palette) {
    const std::uint64_t bytes = indices.size();
    startImage(context, fileName, bytes,
               [fileName, width, height, indices = std::move(indices),
                palette = std::vector<std::uint32_t>(palette.begin(), palette.end())] {
                   return writeImageFile(fileName, [&](platform::WholeFile& file) {
                       return platform::encodeIndexedPngInto(file, width, height, indices, palette);
                   });
               });
}

}  // namespace vexmor
