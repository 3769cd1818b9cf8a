// MIP textures: the reader, then one of the MIP pass with its PNG export (a palette loaded), or
// a conversion with what it does next with the image: shrinking for a car set, the MI4 form for
// a track.
#include "catalogue/source_catalogue.h"
#include "export/mi4_export.h"
#include "export/mip_export.h"
#include "fuzz_support.h"
#include "platform/file_system.h"
#include "platform/whole_file.h"
#include "texture/mi4_conversion.h"
#include "texture/mip_file.h"
#include "texture/mip_shrink.h"

using namespace vexmor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::ScratchFolder& scratch = fuzz::ScratchFolder::instance();
    scratch.clear();
    const std::string source = scratch.text() + "src\\";
    const std::string output = scratch.text() + "out\\";
    const std::string path = scratch.write("src/t.mip", std::span(data, size));
    platform::createDirectory(output);

    fuzz::QuietRun run;
    RunContext& context = run.context;
    context.options.info = size % 2 == 1;
    context.options.explode = true;
    SourceCatalogue catalogue;
    fuzz::loadFixedPalette(catalogue);

    MipImage image;
    readMip(context.console, image, path, false);
    readMip(context.console, image, path, true);

    // One of the three jobs per input keeps each run short; the mutations reach all of them.
    const std::size_t job = size % 3;
    if (job == 0) {
        fuzz::untilProcessExit([&] {
            MipImage exploded;
            processMipFile(context, catalogue, exploded, path, false, source, output,
                           (size / 3) % 2 == 0);
        });
    } else {
        // Converting reads the copy in the output folder, then shrinks it or turns it into an
        // MI4 and explodes that.
        const std::string copy = output + "c.mip";
        platform::copyFileWhole(path, copy);
        fuzz::untilProcessExit([&] {
            MipImage converted;
            processMipFile(context, catalogue, converted, copy, true, source, output, false);
            if (job == 1) {
                shrinkMip(context, catalogue, converted, copy, "c.mip");
            } else {
                convertMipToMi4(context, catalogue, converted, copy, "c.mip");
                processMi4File(context, "c.mi4", output, output + "x\\c.mi4");
            }
        });
    }
    scratch.expectOnlyTopLevel({"src", "out"});
    scratch.expectUnchanged("src/t.mip", std::span(data, size));
    return 0;
}
