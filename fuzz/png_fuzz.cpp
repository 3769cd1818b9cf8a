// PNG images brought back into a texture: the bounded decoder, and when the image decodes to a
// small size, the whole import into a one-level MIP of that size with a palette loaded.
#include <cstdlib>
#include <string>

#include "catalogue/source_catalogue.h"
#include "export/image_names.h"
#include "fuzz_support.h"
#include "import/png_image.h"
#include "import/texture_import.h"
#include "support/mip_builder.h"

using namespace vexmor;

namespace {

// Small enough that each accepted image also runs the import quickly.
constexpr std::uint32_t kMaxImportedWidth = 64;
constexpr std::uint32_t kMaxImportedHeight = 66;

void importInto(const PngImage& image, std::span<const std::uint8_t> png) {
    fuzz::ScratchFolder& scratch = fuzz::ScratchFolder::instance();
    scratch.clear();
    scratch.write("tex/t.mip", test::buildMip(test::mipSpec(image.width, image.height - 2, 1)));
    const std::string name = mipLevelImageName("t.mip", 0, 1, image.width, image.height);
    scratch.write("img/" + name, png);

    fuzz::QuietRun run;
    SourceCatalogue catalogue;
    fuzz::loadFixedPalette(catalogue);
    catalogue.files.push_back({name, 0, 0});
    fuzz::untilProcessExit([&] {
        runImport(run.context, catalogue, scratch.text() + "img\\", scratch.text() + "tex\\");
    });
    scratch.expectOnlyTopLevel({"tex", "img"});
    scratch.expectUnchanged("img/" + name, png);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const PngDecodeResult result = decodePngImage(bytes);
    if (result.image.has_value() == !result.failure.empty()) {
        std::abort();
    }
    if (!result.image) {
        return 0;
    }
    const PngImage& image = *result.image;
    if (image.rgb.size() != std::size_t{3} * image.width * image.height) {
        std::abort();
    }
    if (image.width <= kMaxImportedWidth && image.height >= 2 &&
        image.height <= kMaxImportedHeight) {
        importInto(image, bytes);
    }
    return 0;
}
