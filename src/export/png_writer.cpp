#include "export/png_writer.h"

#include "app/run_context.h"
#include "platform/png_backend.h"

namespace vexmor {

bool writePng(RunContext& context, const std::string& fileName, std::uint64_t width,
              std::uint64_t height, std::span<const std::uint32_t> pixels) {
    return platform::encodePngFile(context.console, fileName, width, height, pixels);
}

}  // namespace vexmor
