// 3DO meshes: the analysis and the rewrite with its nested meshes and node walk, plain, with the
// detail trace or with "-compact" (the input's length picks one). The input holds up to three
// meshes, split at the separator: car.3do names the others as wheel and body.
#include <algorithm>
#include <iterator>

#include "catalogue/source_catalogue.h"
#include "fuzz_support.h"
#include "mesh/mesh_file.h"
#include "mesh/mesh_rewrite.h"
#include "platform/file_system.h"

using namespace vexmor;

namespace {

constexpr std::string_view kSeparator = "@@3DO@@";
const char* const kMeshNames[] = {"car.3do", "wheel.3do", "sub/body.3do"};

void rewriteAll(const std::string& source, const std::string& output, bool info, bool compact) {
    fuzz::QuietRun run;
    RunContext& context = run.context;
    context.options.info = info;
    context.options.compact = compact;
    context.shrunkMips.insert(output + "car1.mip");
    SourceCatalogue catalogue;
    for (const char* name : kMeshNames) {
        std::string rel(name);
        std::replace(rel.begin(), rel.end(), '/', '\\');
        analyseMesh(context, catalogue, rel, source, output);
        MeshFile mesh;
        rewriteMesh(context, mesh, rel, source, output, true, false);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::ScratchFolder& scratch = fuzz::ScratchFolder::instance();
    scratch.clear();
    const std::string source = scratch.text() + "src\\";
    const std::string output = scratch.text() + "out\\";
    const auto pieces = fuzz::splitInput(std::span(data, size), kSeparator, std::size(kMeshNames));
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        scratch.write(std::string("src/") + kMeshNames[i], pieces[i]);
    }
    platform::createDirectory(output);
    platform::createDirectory(output + "sub\\");

    // One way per input keeps each run short; the mutations reach all three.
    const std::size_t way = size % 3;
    rewriteAll(source, output, way == 1, way == 2);
    scratch.expectOnlyTopLevel({"src", "out"});
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        scratch.expectUnchanged(std::string("src/") + kMeshNames[i], pieces[i]);
    }
    return 0;
}
