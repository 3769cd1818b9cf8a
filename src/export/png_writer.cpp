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
    // An encoder that encodes in memory fills the file with one write.
    platform::WholeFile file(fileName, platform::kEncodesInMemory
                                           ? platform::WholeFile::Filling::onlyByWrite
                                           : platform::WholeFile::Filling::anyWay);
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

// Runs one step of an image's writing; memory running out fails the file, which is not written.
template <typename Step>
void guarded(ImageOutcome& outcome, const Step& step) {
    try {
        step();
    } catch (const std::exception& error) {
        outcome.fileFailure = error.what();
    }
}

// Checks at once that the file lies inside the output, then writes it as background work whose
// failure is reported where the image was asked for. Where the platform encodes in memory,
// `encode` gives the file's bytes on any worker and the file is made on the one that changes
// folders; elsewhere `encodeInto` writes the image into the new file.
template <typename Encode, typename EncodeInto>
void startImage(RunContext& context, const std::string& fileName, std::uint64_t bytes,
                const Encode& encode, const EncodeInto& encodeInto) {
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
    auto report = [&context, outcome, fileName, key] {
        context.imagesUnderWay.erase(key);
        reportImageOutcome(context, fileName, *outcome);
    };
    if constexpr (platform::kEncodesInMemory) {
        const auto encoded = std::make_shared<platform::EncodedPng>();
        context.background.start(
            [outcome, encoded, encode] { guarded(*outcome, [&] { *encoded = encode(); }); },
            [outcome, encoded, fileName] {
                if (outcome->fileFailure.empty()) {
                    guarded(*outcome, [&] {
                        *outcome = writeImageFile(fileName, [&](platform::WholeFile& file) {
                            return platform::writeEncodedInto(file, *encoded);
                        });
                    });
                }
            },
            std::move(report), bytes);
    } else {
        context.background.start(
            [outcome, fileName, encodeInto] {
                guarded(*outcome, [&] { *outcome = writeImageFile(fileName, encodeInto); });
            },
            std::move(report), bytes);
    }
}

}  // namespace

void writePng(RunContext& context, const std::string& fileName, std::uint64_t width,
              std::uint64_t height, std::vector<std::uint32_t> pixels) {
    const std::uint64_t bytes = pixels.size() * sizeof(std::uint32_t);
    const auto image = std::make_shared<const std::vector<std::uint32_t>>(std::move(pixels));
    startImage(
        context, fileName, bytes,
        [width, height, image] { return platform::encodePng(width, height, *image); },
        [width, height, image](platform::WholeFile& file) {
            return platform::encodePngInto(file, width, height, *image);
        });
}

void writeIndexedPng(RunContext& context, const std::string& fileName, std::uint64_t width,
                     std::uint64_t height, std::vector<std::uint8_t> indices,
                     std::span<const std::uint32_t> palette) {
    struct IndexedImage {
        std::vector<std::uint8_t> indices;
        std::vector<std::uint32_t> palette;
    };
    const std::uint64_t bytes = indices.size();
    const auto image = std::make_shared<const IndexedImage>(
        IndexedImage{std::move(indices), {palette.begin(), palette.end()}});
    startImage(
        context, fileName, bytes,
        [width, height, image] {
            return platform::encodeIndexedPng(width, height, image->indices, image->palette);
        },
        [width, height, image](platform::WholeFile& file) {
            return platform::encodeIndexedPngInto(file, width, height, image->indices,
                                                  image->palette);
        });
}

}  // namespace vexmor
