// MI4 textures: the level listing and the explode into PNG images and report rows.
#include "export/mi4_export.h"
#include "fuzz_support.h"
#include "platform/file_system.h"

using namespace vexmor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::ScratchFolder& scratch = fuzz::ScratchFolder::instance();
    scratch.clear();
    const std::string source = scratch.text() + "src\\";
    const std::string output = scratch.text() + "out\\";
    scratch.write("src/t.mi4", std::span(data, size));
    platform::createDirectory(output);

    fuzz::QuietRun run;
    run.context.options.info = true;
    run.context.options.explode = true;
    processMi4File(run.context, "t.mi4", source, output + "t.mi4");
    scratch.expectOnlyTopLevel({"src", "out"});
    scratch.expectUnchanged("src/t.mi4", std::span(data, size));
    return 0;
}
