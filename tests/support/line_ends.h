#pragma once

#include <string>
#include <string_view>

namespace vexmor::test {

// `text` as a text-mode stream of the tool writes it: on Windows every line feed becomes a
// carriage return and a line feed. For comparing the tool's standard output and report file.
inline std::string asWritten(std::string_view text) {
#ifdef _WIN32
    std::string written;
    for (const char c : text) {
        if (c == '\n') {
            written.push_back('\r');
        }
        written.push_back(c);
    }
    return written;
#else
    return std::string(text);
#endif
}

}  // namespace vexmor::test
