// DAT archives: the directory listing and the unpacking of every member into a folder.
#include "archive/dat_archive.h"
#include "catalogue/source_catalogue.h"
#include "fuzz_support.h"

using namespace vexmor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::ScratchFolder& scratch = fuzz::ScratchFolder::instance();
    scratch.clear();
    const std::span<const std::uint8_t> input(data, size);
    const std::string archive = scratch.write("in.dat", input);
    {
        fuzz::QuietRun run;
        run.context.options.info = true;
        SourceCatalogue catalogue;
        // An archive too short to hold its count ends the run, as it does on the command line.
        fuzz::untilProcessExit([&] {
            readDatArchive(run.context, catalogue, archive, true, scratch.text() + "out\\");
        });
    }
    {
        fuzz::QuietRun run;
        SourceCatalogue catalogue;
        fuzz::untilProcessExit([&] { readDatArchive(run.context, catalogue, archive, false, ""); });
    }
    // Members land in the output folder only, and the archive itself is left as it was.
    scratch.expectOnlyTopLevel({"in.dat", "out"});
    scratch.expectUnchanged("in.dat", input);
    return 0;
}
