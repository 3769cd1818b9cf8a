#include "pipeline/master_mip.h"

#include "app/output_file.h"
#include "app/run_context.h"
#include "texture/chunked_stream.h"
#include "texture/texture_codec.h"

namespace vexmor {
namespace {

constexpr std::string_view kStars = "***************************************";
static_assert(kStars.size() == 39);
constexpr std::string_view kMinimumLevel = "Minimum mip level is {}";
constexpr std::string_view kMaxDims = "Max dims (each) {}x{}";
constexpr std::string_view kTargetDims = "Target dims {}x{}, size {} bytes ({} KB, {} MB)";
constexpr std::string_view kCreating = "Creating master MIP file {}";

constexpr std::uint32_t kMinimumMipLevel = 1;

}  // namespace

void writeMasterMip(RunContext& context, std::string /*source*/, std::string output) {
    Console& console = context.console;
    const std::uint32_t width = static_cast<std::uint32_t>(context.options.compactWidth);
    const std::uint32_t height = static_cast<std::uint32_t>(context.options.compactHeight);
    const std::uint32_t size = width * height;  // wraps as the game's tools do

    console.printLine(kStars);
    console.printLine(kMinimumLevel, kMinimumMipLevel);
    console.printLine(kMaxDims, width, height);
    console.printLine(kTargetDims, width, height, size, size / 1024.0, size / 1048576.0);

    const std::string fileName = output + "master.mip";
    OutputFile file(context, fileName);
    if (file.ready()) {
        std::ofstream out = file.openStream();
        console.printLine(kCreating, fileName);
        const std::uint32_t internal = (1u << kMinimumMipLevel) - 1;
        constexpr std::uint32_t kDataPosition = kTextureHeaderSize + kLevelRecordSize;
        const MipHeader header{size + kDataPosition - 4, 0, width, height - 2, 1, 0};
        // The offset word follows the format's own rule, so every reader finds the pixels at
        // the data position.
        const MipLevelRecord record{internal, ~(2 * internal + 1), kDataPosition + internal - 3};
        writeChunked(out, encodeTextureHeader(header));
        writeChunked(out, encodeLevelRecord(record));
        writeZeros(out, size);
        file.commit(out);
    }
    console.printLine(kStars);
    console.printLine("\n");
}

}  // namespace vexmor
