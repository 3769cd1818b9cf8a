// DAT archives: the directory listing and the unpacking of every member into a folder.
#include <cstdlib>
#include <filesystem>

#include "app/limits.h"
#include "archive/dat_archive.h"
#include "catalogue/source_catalogue.h"
#include "fuzz_support.h"

using namespace vexmor;

namespace {

// Aborts when the members under `folder` hold more bytes than one archive of `archiveSize` bytes
// may unpack.
void expectWithinUnpackBound(const std::filesystem::path& folder, std::size_t archiveSize) {
    std::uintmax_t written = 0;
    std::error_code error;
    for (const auto& item : std::filesystem::directory_iterator(folder, error)) {
        const std::uintmax_t bytes = item.is_regular_file() ? item.file_size(error) : 0;
        written += error ? 0 : bytes;
    }
    if (written >
        archiveSize * limits::kUnpackedBytesPerArchiveByte + limits::kUnpackedBytesAllowance) {
        std::abort();
    }
}

}  // namespace

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
    expectWithinUnpackBound(scratch.path() / "out", size);
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
