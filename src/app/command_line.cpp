#include "app/command_line.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>

#include "app/run_context.h"
#include "common/text.h"

namespace vexmor {
namespace {

constexpr std::string_view kExtractionPath = "Extraction path is {}";
constexpr std::string_view kIgnored = "vexmor: ignored argument {}: not an option";

// The arguments after the one being handled.
using Following = std::span<const char* const>;

std::int32_t numberOf(const char* text) {
    return static_cast<std::int32_t>(std::atol(text));
}

// What an option does with the argument after it.
enum class OptionValue {
    none,
    // Read as a number but left in place: it is then seen as an argument of its own, which
    // matches nothing and is ignored without a note (or, being an option, takes effect).
    peekedNumber,
    number,  // consumed, read as a number
    text,    // consumed, as typed
    folder,  // consumed, with the trailing separator appended
    // Options that take more than one value, each with its own rule.
    compact,
    convert,
};

struct Option {
    std::string_view spelling;  // lower case: arguments are lowered before they are matched
    OptionValue value;
    void (*given)(RunOptions&);               // what giving the option sets; may be null
    std::int32_t RunOptions::*number;         // for number values
    std::string RunOptions::*text = nullptr;  // for text and folder values
};

// The options in the order they are tried; a match needs the whole lowered argument.
constexpr std::array kOptions = {
    Option{"-info", OptionValue::none, [](RunOptions& o) { o.info = true; }, nullptr},
    Option{"-explode", OptionValue::folder, [](RunOptions& o) { o.explode = true; }, nullptr,
           &RunOptions::outputPath},
    Option{"-explode0", OptionValue::folder,
           [](RunOptions& o) { o.explode = o.explodeFirstLevelOnly = true; }, nullptr,
           &RunOptions::outputPath},
    Option{"-reduce", OptionValue::none, [](RunOptions& o) { o.reduce = true; }, nullptr},
    Option{"-maxmips", OptionValue::peekedNumber, [](RunOptions& o) { o.maxMipsGiven = true; },
           &RunOptions::maxMips},
    Option{"-limit", OptionValue::peekedNumber, [](RunOptions& o) { o.limitGiven = true; },
           &RunOptions::limit},
    Option{"-counter", OptionValue::peekedNumber, [](RunOptions& o) { o.counterGiven = true; },
           &RunOptions::counter},
    Option{"-expandmips", OptionValue::peekedNumber,
           [](RunOptions& o) { o.expandMipsGiven = true; }, &RunOptions::expandMips},
    Option{"-quarter", OptionValue::none, [](RunOptions& o) { o.quarter = true; }, nullptr},
    Option{"-compact", OptionValue::compact, [](RunOptions& o) { o.compact = true; }, nullptr},
    Option{"-palette", OptionValue::text, [](RunOptions& o) { o.paletteGiven = true; }, nullptr,
           &RunOptions::palettePath},
    Option{"-width", OptionValue::number, nullptr, &RunOptions::widthLimit},
    Option{"-height", OptionValue::number, nullptr, &RunOptions::heightLimit},
    Option{"-track", OptionValue::none, [](RunOptions& o) { o.track = true; }, nullptr},
    Option{"-car", OptionValue::none, [](RunOptions& o) { o.track = false; }, nullptr},
    Option{"-carset", OptionValue::none, [](RunOptions& o) { o.track = false; }, nullptr},
    Option{"-report", OptionValue::none, [](RunOptions& o) { o.report = true; }, nullptr},
    Option{"-unpack", OptionValue::folder, [](RunOptions& o) { o.unpack = true; }, nullptr,
           &RunOptions::outputPath},
    Option{"-convert", OptionValue::convert, [](RunOptions& o) { o.convert = true; }, nullptr},
    Option{"-pack", OptionValue::text, [](RunOptions& o) { o.pack = true; }, nullptr,
           &RunOptions::packPath},
    Option{"-import", OptionValue::folder, [](RunOptions& o) { o.importGiven = true; }, nullptr,
           &RunOptions::importPath},
};

// "-compact" [width height] [output path]: with one value only, that is the path, and the line
// names the extraction path whatever it is. Returns how many values it consumed.
int takeCompact(RunOptions& o, Console& console, Following following) {
    if (following.size() >= 2) {
        o.compactWidth = numberOf(following[0]);
        o.compactHeight = numberOf(following[1]);
        if (following.size() >= 3) {
            o.outputPath = withTrailingSeparator(following[2]);
            return 3;
        }
        return 2;
    }
    if (following.size() == 1) {
        o.outputPath = withTrailingSeparator(following[0]);
    }
    console.printLine(kExtractionPath, o.outputPath);
    return static_cast<int>(following.size());
}

// "-convert" [mesh filter] [output path]: two values are the filter and the path, one is the
// path. Returns how many values it consumed.
int takeConvert(RunOptions& o, Following following) {
    if (following.size() >= 2) {
        o.meshFilter = following[0];
        o.outputPath = withTrailingSeparator(following[1]);
        return 2;
    }
    if (following.size() == 1) {
        o.outputPath = withTrailingSeparator(following[0]);
        return 1;
    }
    return 0;
}

// Carries out a matched option. Returns how many of the following arguments it consumed.
int takeOption(const Option& option, RunOptions& o, Console& console, Following following) {
    if (option.given != nullptr) {
        option.given(o);
    }
    const bool hasNext = !following.empty();
    switch (option.value) {
        case OptionValue::none:
            return 0;
        case OptionValue::peekedNumber:
        case OptionValue::number:
            if (hasNext) {
                o.*option.number = numberOf(following[0]);
            }
            return option.value == OptionValue::number && hasNext ? 1 : 0;
        case OptionValue::text:
            if (hasNext) {
                o.*option.text = following[0];
            }
            return hasNext ? 1 : 0;
        case OptionValue::folder:
            if (hasNext) {
                o.*option.text = withTrailingSeparator(following[0]);
            }
            return hasNext ? 1 : 0;
        case OptionValue::compact:
            return takeCompact(o, console, following);
        case OptionValue::convert:
            return takeConvert(o, following);
    }
    return 0;
}

const Option* findOption(std::string_view lowered) {
    for (const Option& option : kOptions) {
        if (option.spelling == lowered) {
            return &option;
        }
    }
    return nullptr;
}

}  // namespace

void parseCommandLine(RunContext& context, int argc, const char* const argv[]) {
    RunOptions& o = context.options;
    if (argc <= 1) {
        return;
    }
    const std::span<const char* const> arguments(argv, static_cast<std::size_t>(argc));
    int peeked = 0;  // where the last number read without being consumed stands
    for (int i = 1; i < argc;) {
        const std::string arg = toLowerAscii(arguments[i]);
        const Following following = arguments.subspan(static_cast<std::size_t>(i) + 1);
        int consumed = 0;
        if (const Option* option = findOption(arg)) {
            consumed = takeOption(*option, o, context.console, following);
            if (option->value == OptionValue::peekedNumber && !following.empty()) {
                peeked = i + 1;
            }
        } else if (i == 1) {
            o.sourcePath = arg;
            if (!o.sourcePath.empty() && o.sourcePath.back() == '\\') {
                o.sourcePath.pop_back();
            }
        } else if (i != peeked) {
            context.console.printNote(kIgnored, arguments[i]);
        }
        i += 1 + consumed;
    }
}

}  // namespace vexmor
