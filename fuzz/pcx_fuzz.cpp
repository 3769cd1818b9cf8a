// PCX palettes: the 769-byte block at the end of the file.
#include <cstdlib>

#include "catalogue/palette_file.h"
#include "catalogue/source_catalogue.h"
#include "fuzz_support.h"

using namespace vexmor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::ScratchFolder& scratch = fuzz::ScratchFolder::instance();
    const std::string path = scratch.write("sunny.pcx", std::span(data, size));
    fuzz::QuietRun run;
    run.context.options.info = size % 2 == 1;
    SourceCatalogue catalogue;
    loadPalette(run.context.console, catalogue, path);
    if (catalogue.paletteLoaded != (catalogue.paletteColours.size() == 256)) {
        std::abort();
    }
    return 0;
}
