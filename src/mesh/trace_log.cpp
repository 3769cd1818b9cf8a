#include "mesh/trace_log.h"

#include <algorithm>

namespace vexmor {

void TraceLog::add(std::string_view line) {
    lines_.push_back({text_.size(), line.size()});
    text_.append(line);
}

std::vector<std::string_view> TraceLog::sortedLines() const {
    std::vector<std::string_view> sorted;
    sorted.reserve(lines_.size());
    const std::string_view text(text_);
    for (const Span& span : lines_) {
        sorted.push_back(text.substr(span.begin, span.length));
    }
    // std::string_view compares as unsigned bytes, the order the trace is printed in.
    std::sort(sorted.begin(), sorted.end());
    return sorted;
}

}  // namespace vexmor
