#include "export/png_writer.h"

#include "app/output_file.h"
#include "app/run_context.h"
#include "platform/png_backend.h"

namespace vexmor {

bool writePng(RunContext& context, const std::string& fileName, std::uint64_t width,
              std::uint64_t height, std::span<const std::uint32_t> pixels) {
    OutputFile file(context, fileName);
    if (!file.ready()) {
        return false;
    }
    // The encoder has printed why it failed; the run still ends as one that could not write.
    if (!platform::encodePngFile(context.console, file.temporaryPathText(), width, height,
                                 pixels)) {
        context.writeFailed = true;
        return false;
    }
    return file.commit();
}

}  // namespace vexmor
