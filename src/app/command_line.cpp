#include "app/command_line.h"

#include <cstdlib>
#include <string>
#include <string_view>

#include "app/run_context.h"
#include "app/text.h"

namespace vexmor {
namespace {

constexpr std::string_view kExtractionPath = "Extraction path is {}";
constexpr std::string_view kIgnored = "vexmor: ignored argument {}: not an option";

// Output paths end in `\` so relative names can be joined by plain concatenation; a path that
// ends in `/` still gets one.
std::string withSeparator(std::string path) {
    if (!path.empty() && path.back() != '\\') {
        path.push_back('\\');
    }
    return path;
}

std::int32_t numberOf(const char* text) {
    return static_cast<std::int32_t>(std::atol(text));
}

}  // namespace

void parseCommandLine(RunContext& context, int argc, const char* const argv[]) {
    RunOptions& o = context.options;
    if (argc <= 1) {
        return;
    }
    // "-maxmips", "-limit", "-counter" and "-expandmips" read the number after them but leave it
    // in place; it is then seen as an argument of its own, which matches nothing and is ignored
    // without a note.
    int peeked = 0;
    for (int i = 1; i < argc;) {
        const std::string arg = toLowerAscii(argv[i]);
        const int following = argc - i - 1;
        const bool hasNext = following >= 1;
        int consumed = 0;
        const auto peekNumber = [&] {
            peeked = i + 1;
            return numberOf(argv[i + 1]);
        };

        if (arg == "-info") {
            o.info = true;
        } else if (arg == "-explode" || arg == "-explode0") {
            o.explode = true;
            if (arg == "-explode0") {
                o.explodeFirstLevelOnly = true;
            }
            if (hasNext) {
                o.outputPath = withSeparator(argv[i + 1]);
                consumed = 1;
            }
        } else if (arg == "-reduce") {
            o.reduce = true;
        } else if (arg == "-maxmips") {
            o.maxMipsGiven = true;
            if (hasNext) {
                o.maxMips = peekNumber();
            }
        } else if (arg == "-limit") {
            o.limitGiven = true;
            if (hasNext) {
                o.limit = peekNumber();
            }
        } else if (arg == "-counter") {
            o.counterGiven = true;
            if (hasNext) {
                o.counter = peekNumber();
            }
        } else if (arg == "-expandmips") {
            o.expandMipsGiven = true;
            if (hasNext) {
                o.expandMips = peekNumber();
            }
        } else if (arg == "-quarter") {
            o.quarter = true;
        } else if (arg == "-compact") {
            o.compact = true;
            if (following >= 2) {
                o.compactWidth = numberOf(argv[i + 1]);
                o.compactHeight = numberOf(argv[i + 2]);
                consumed = 2;
                if (following >= 3) {
                    o.outputPath = withSeparator(argv[i + 3]);
                    consumed = 3;
                }
            } else {
                if (following == 1) {
                    o.outputPath = withSeparator(argv[i + 1]);
                    consumed = 1;
                }
                context.console.printLine(kExtractionPath, o.outputPath);
            }
        } else if (arg == "-palette") {
            o.paletteGiven = true;
            if (hasNext) {
                o.palettePath = argv[i + 1];
            }
            consumed = 1;
        } else if (arg == "-width") {
            if (hasNext) {
                o.widthLimit = numberOf(argv[i + 1]);
            }
            consumed = 1;
        } else if (arg == "-height") {
            if (hasNext) {
                o.heightLimit = numberOf(argv[i + 1]);
            }
            consumed = 1;
        } else if (arg == "-track") {
            o.track = true;
        } else if (arg == "-car" || arg == "-carset") {
            o.track = false;
        } else if (arg == "-report") {
            o.report = true;
        } else if (arg == "-unpack") {
            o.unpack = true;
            if (hasNext) {
                o.outputPath = withSeparator(argv[i + 1]);
                consumed = 1;
            }
        } else if (arg == "-convert") {
            o.convert = true;
            if (following >= 2) {
                o.meshFilter = argv[i + 1];
                o.outputPath = withSeparator(argv[i + 2]);
                consumed = 2;
            } else if (following == 1) {
                o.outputPath = withSeparator(argv[i + 1]);
                consumed = 1;
            }
        } else if (arg == "-pack") {
            o.pack = true;
            if (hasNext) {
                o.packPath = argv[i + 1];
                consumed = 1;
            }
        } else if (arg == "-import") {
            o.importGiven = true;
            if (hasNext) {
                o.importPath = withSeparator(argv[i + 1]);
                consumed = 1;
            }
        } else if (i == 1) {
            o.sourcePath = arg;
            if (!o.sourcePath.empty() && o.sourcePath.back() == '\\') {
                o.sourcePath.pop_back();
            }
        } else if (i != peeked) {
            context.console.printNote(kIgnored, argv[i]);
        }
        i += 1 + consumed;
    }
}

}  // namespace vexmor
