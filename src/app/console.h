#pragma once

#include <fmt/format.h>

#include <iterator>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>

namespace vexmor {

// Formats a message template whose "{}" fields are checked against the arguments when compiled.
template <typename... T>
std::string formatMessage(fmt::format_string<T...> tpl, T&&... args) {
    return fmt::format(tpl, std::forward<T>(args)...);
}

// The console: every line is written whole, followed by a line end, and flushed at once, so the
// output is complete even when a stage then ends the process. Detail lines appear only with
// "-info". The stream is injected so tests can capture what a run prints.
class Console {
public:
    Console(std::ostream& out, const bool& infoEnabled) : out_(&out), info_(&infoEnabled) {}

    void printLine(std::string_view text);
    void printInfoLine(std::string_view text) {
        if (*info_) {
            printLine(text);
        }
    }

    template <typename... T>
    void printLine(fmt::format_string<T...> tpl, T&&... args) {
        Line line;
        fmt::format_to(std::back_inserter(line), tpl, std::forward<T>(args)...);
        writeLine(line);
    }

    // A line from a template chosen at run time among several of the same fields.
    void printLineWith(fmt::string_view tpl, fmt::format_args args);

    // Formats only when the line is shown: detail lines sit on per-pixel and per-node paths.
    template <typename... T>
    void printInfoLine(fmt::format_string<T...> tpl, T&&... args) {
        if (*info_) {
            printLine(tpl, std::forward<T>(args)...);
        }
    }

    bool infoEnabled() const { return *info_; }
    void flush() { out_->flush(); }

private:
    // A line is built on the stack: a run with "-info" prints millions of lines, and a heap
    // allocation for each would cost more than formatting it.
    using Line = fmt::basic_memory_buffer<char, 256>;
    // Ends `line` and writes it whole.
    void writeLine(Line& line);

    std::ostream* out_;
    const bool* info_;
};

}  // namespace vexmor
