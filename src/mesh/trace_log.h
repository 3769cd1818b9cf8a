#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vexmor {

// The lines a mesh walk records, printed sorted at its end. A walk may record millions of short
// lines, so they share one text buffer instead of one allocation each.
class TraceLog {
public:
    void add(std::string_view line);
    std::size_t size() const { return lines_.size(); }
    // Every line, in ascending byte order; the views live as long as the log is unchanged.
    std::vector<std::string_view> sortedLines() const;

private:
    struct Span {
        std::size_t begin;
        std::size_t length;
    };
    std::string text_;
    std::vector<Span> lines_;
};

}  // namespace vexmor
