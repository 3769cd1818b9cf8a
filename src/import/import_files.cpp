#include "import/import_files.h"

#include <fstream>
#include <iterator>

#include "app/output_file.h"
#include "app/run_context.h"
#include "platform/file_system.h"

namespace vexmor {
namespace {

constexpr std::string_view kSkipped = "Skipping image {}: {}";
constexpr std::string_view kUnreadable = "it cannot be read";
constexpr std::string_view kWrongSize = "it is {}x{} pixels where level {} of {} is {}x{}";
constexpr std::string_view kTextureLine =
    "{} {}: {} images, {} pixels changed, {} mapped approximately, {} levels made again";

}  // namespace

void reportSkippedImage(RunContext& context, std::string_view image, std::string_view reason) {
    context.console.printLine(kSkipped, image, reason);
}

std::optional<PngImage> readImage(RunContext& context, const std::string& imagePath,
                                  std::string_view imageName) {
    const std::optional<std::vector<std::uint8_t>> bytes = readFileBytes(imagePath);
    if (!bytes) {
        reportSkippedImage(context, imageName, kUnreadable);
        return std::nullopt;
    }
    PngDecodeResult decoded = decodePngImage(*bytes);
    if (!decoded.image) {
        reportSkippedImage(context, imageName, decoded.failure);
    }
    return std::move(decoded.image);
}

bool imageFitsLevel(RunContext& context, std::string_view imageName, std::uint32_t imageWidth,
                    std::uint32_t imageHeight, std::uint32_t level, const std::string& texture,
                    std::uint32_t levelWidth, std::uint32_t levelHeight) {
    if (imageWidth == levelWidth && imageHeight == levelHeight) {
        return true;
    }
    reportSkippedImage(context, imageName,
                       formatMessage(kWrongSize, imageWidth, imageHeight, std::uint64_t{level} + 1,
                                     texture, levelWidth, levelHeight));
    return false;
}

std::optional<std::vector<std::uint8_t>> readFileBytes(const std::string& pathText) {
    std::ifstream in = platform::openForReading(pathText);
    if (!in.is_open()) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    if (in.bad()) {
        return std::nullopt;
    }
    return bytes;
}

bool writeFileWhole(RunContext& context, const std::string& pathText,
                    std::span<const std::uint8_t> bytes) {
    OutputFile file(context, pathText);
    if (!file.ready()) {
        return false;
    }
    std::ofstream out = file.openStream();
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return file.commit(out);
}

void reportTexture(RunContext& context, const std::string& texture, const ImportTally& tally,
                   bool rewritten) {
    context.console.printLine(kTextureLine, rewritten ? "Rewritten" : "Unchanged", texture,
                              tally.images, tally.pixelsChanged, tally.approximate,
                              tally.levelsRemade);
}

}  // namespace vexmor
