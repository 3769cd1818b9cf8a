#include "pipeline/master_mip.h"

#include <array>
#include <vector>

#include "app/little_endian.h"
#include "app/output_file.h"
#include "app/run_context.h"
#include "texture/mip_file.h"

namespace vexmor {
namespace {

constexpr std::string_view kStars = "***************************************";
static_assert(kStars.size() == 39);
constexpr std::string_view kMinimumLevel = "Minimum mip level is {}";
constexpr std::string_view kMaxDims = "Max dims (each) {}x{}";
constexpr std::string_view kTargetDims = "Target dims {}x{}, size {} bytes ({} KB, {} MB)";
constexpr std::string_view kCreating = "Creating master MIP file {}";

constexpr std::uint32_t kMinimumMipLevel = 1;
constexpr std::size_t kChunkBytes = 4096;

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
        constexpr std::uint32_t kDataPosition = kMipHeaderSize + kMipLevelRecordSize;
        std::array<std::uint8_t, kDataPosition> head{};
        writeU32(head, 0, size + kDataPosition - 4);
        writeU32(head, 8, width);
        writeU32(head, 12, height - 2);
        writeU32(head, 16, 1);
        writeU32(head, 24, internal);
        writeU32(head, 28, ~(2 * internal + 1));
        // The offset word follows the format's own rule, so every reader finds the pixels at
        // the data position.
        writeU32(head, 32, kDataPosition + internal - 3);
        out.write(reinterpret_cast<const char*>(head.data()), head.size());

        const std::vector<char> zeros(kChunkBytes, 0);
        for (std::uint64_t left = size; left > 0 && out;) {
            const std::size_t piece =
                static_cast<std::size_t>(std::min<std::uint64_t>(left, kChunkBytes));
            out.write(zeros.data(), static_cast<std::streamsize>(piece));
            left -= piece;
        }
        file.commit(out);
    }
    console.printLine(kStars);
    console.printLine("\n");
}

}  // namespace vexmor
