#pragma once

#include <fmt/format.h>

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iterator>
#include <ostream>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "common/text.h"

namespace vexmor {

// A double as every console line writes it: the shortest decimal form that reads back as the
// same double, in exponent form with a two-digit exponent where that is shorter (1536, 0.5,
// 1e+05, 3.2e+09, 1e-05; a tie stays fixed: 0.00037384033203125). That is `std::to_chars`
// without a format argument; {fmt}'s own "{}" writes fixed notation for exponents below 16.
struct ShortestDouble {
    double value;
};

// A text as every console line writes it: bytes below 0x20 other than tab, and 0x7F, shown as
// `\xNN`. Names taken from files (archive members, nested meshes, scanned names) reach many
// lines; a name holding ESC or CR must not erase or forge what the console shows.
struct PrintableText {
    std::string_view text;
};

}  // namespace vexmor

template <>
struct fmt::formatter<vexmor::ShortestDouble> : fmt::formatter<fmt::string_view> {
    template <typename FormatContext>
    auto format(vexmor::ShortestDouble number, FormatContext& context) const {
        char text[32];  // the longest shortest form, -2.2250738585072014e-308, has 24
        const std::to_chars_result end =
            std::to_chars(std::begin(text), std::end(text), number.value);
        return fmt::formatter<fmt::string_view>::format(
            fmt::string_view(text, static_cast<std::size_t>(end.ptr - text)), context);
    }
};

template <>
struct fmt::formatter<vexmor::PrintableText> : fmt::formatter<fmt::string_view> {
    template <typename FormatContext>
    auto format(vexmor::PrintableText printable, FormatContext& context) const {
        using Base = fmt::formatter<fmt::string_view>;
        if (vexmor::isPrintable(printable.text)) {
            return Base::format(fmt::string_view(printable.text), context);  // no copy
        }
        const std::string shown = vexmor::printableName(printable.text);
        return Base::format(fmt::string_view(shown), context);
    }
};

namespace vexmor {

namespace detail {

// The form in which an argument reaches {fmt}: floating-point values as ShortestDouble and texts
// as PrintableText, so no double and no name can be printed by another rule; everything else
// unchanged.
template <typename T>
decltype(auto) consoleForm(T&& value) {
    if constexpr (std::is_floating_point_v<std::remove_cvref_t<T>>) {
        return ShortestDouble{static_cast<double>(value)};
    } else if constexpr (std::is_convertible_v<const std::remove_cvref_t<T>&, std::string_view>) {
        return PrintableText{std::string_view(value)};
    } else {
        return std::forward<T>(value);
    }
}

}  // namespace detail

// Formats a message template whose "{}" fields are checked against the arguments when compiled.
template <typename... T>
std::string formatMessage(fmt::format_string<T...> tpl, T&&... args) {
    return fmt::vformat(tpl, fmt::make_format_args(detail::consoleForm(std::forward<T>(args))...));
}

// The console: every line is written whole, followed by a line end, and flushed at once, so the
// output is complete even when a stage then ends the process. Detail lines appear only with
// "-info". The streams are injected so tests can capture what a run prints.
class Console {
public:
    // Notes go to `notes` (standard error in the tool); a console without one drops them.
    Console(std::ostream& out, const bool& infoEnabled, std::ostream* notes = nullptr)
        : out_(&out), info_(&infoEnabled), notes_(notes) {}

    void printLine(std::string_view text);
    void printInfoLine(std::string_view text) {
        if (*info_) {
            printLine(text);
        }
    }

    template <typename... T>
    void printLine(fmt::format_string<T...> tpl, T&&... args) {
        Line line;
        formatInto(line, tpl, std::forward<T>(args)...);
        writeOut(line);
    }

    // A line from a template chosen at run time among several of the same fields. Its arguments
    // reach {fmt} as they are: pass a double as ShortestDouble.
    void printLineWith(fmt::string_view tpl, fmt::format_args args);

    // Formats only when the line is shown: detail lines sit on per-pixel and per-node paths.
    template <typename... T>
    void printInfoLine(fmt::format_string<T...> tpl, T&&... args) {
        if (*info_) {
            printLine(tpl, std::forward<T>(args)...);
        }
    }

    // A word to the user beside the run's output: standard output stays as the run prints it.
    template <typename... T>
    void printNote(fmt::format_string<T...> tpl, T&&... args) {
        if (notes_ != nullptr) {
            Line line;
            formatInto(line, tpl, std::forward<T>(args)...);
            writeLine(*notes_, line);
        }
    }

    bool infoEnabled() const { return *info_; }
    void flush() { out_->flush(); }

    // Keeping lines back for work under way elsewhere, whose lines come first: from hold() on,
    // lines for standard output are kept, in order, and keptMark() names the point they have
    // reached. release(mark, first) lets `first` print its lines, then releases the kept lines
    // up to `mark`; endHold() releases the rest and stops keeping. Released lines are written
    // in batches of a few KiB while keeping goes on, and all of them by endHold(). Past a bound
    // on the kept bytes `whenFull` is called, which is to release them.
    void hold(std::function<void()> whenFull);
    std::uint64_t keptMark() const { return keptBefore_ + kept_.size(); }
    void release(std::uint64_t mark, const std::function<void()>& first);
    void endHold();

private:
    // A line is built on the stack: a run with "-info" prints millions of lines, and a heap
    // allocation for each would cost more than formatting it.
    using Line = fmt::basic_memory_buffer<char, 256>;
    template <typename... T>
    static void formatInto(Line& line, fmt::format_string<T...> tpl, T&&... args) {
        fmt::vformat_to(std::back_inserter(line), tpl,
                        fmt::make_format_args(detail::consoleForm(std::forward<T>(args))...));
    }
    // Ends `line` and writes it whole.
    static void writeLine(std::ostream& stream, Line& line);
    // Writes `line` to standard output, or keeps it while holding.
    void writeOut(Line& line);
    // Writes the released lines.
    void writeReleased();

    std::ostream* out_;
    const bool* info_;
    std::ostream* notes_;

    bool holding_ = false;
    std::string kept_;
    std::uint64_t keptBefore_ = 0;  // bytes kept and released already
    bool releasing_ = false;        // lines printed now join the released ones
    std::string released_;
    std::function<void()> whenFull_;
};

}  // namespace vexmor
